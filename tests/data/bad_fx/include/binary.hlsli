// Included by include_binary.fx: text, then a control byte.
static const float kValue = 1.0;
