// Included by include_with_error.fx.
static const float kScale = 0.5;
static const float kBias = kScale +;
