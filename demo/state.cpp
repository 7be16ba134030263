#include "demo/demo.h"

DemoState Demo;
