// One deliverable: the demonstration with its own picture, named at build time.
#include "demo/demo.h"
#include "startup/startup.h"

extern const char PictureName[] = BUMP_PICTURE_NAME;

int main() { ProcessEntry(); }
