// The image writer the tests make their images with.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
