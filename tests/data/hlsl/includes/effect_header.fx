#include "Effect.fxh"
// Effect blocks in an included file are blanked in place as well.
// expect: PS ps_4_0 error Effect.fxh(12,16) 'notDeclared'
