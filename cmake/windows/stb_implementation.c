/* The image decoder and PNG writer from the installed stb headers (Linux links Debian's libstb). */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
