static const float kUpper = 2;
