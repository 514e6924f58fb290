static const float kExact = 1;
