static const float kScale = unknownName;
