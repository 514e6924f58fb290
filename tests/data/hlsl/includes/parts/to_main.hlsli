#include "../cycle_through_main.fx"
