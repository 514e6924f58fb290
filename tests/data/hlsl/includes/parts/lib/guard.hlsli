static const float kScale = 0.25;
