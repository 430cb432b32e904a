/* vopimg_example.c: loads an image, copies it at half size, saves the copy as BMP and reads it
 * back, through vopimg.dll.
 *
 * usage: vopimg_example <input image> <output.bmp>
 * Prints the size of the loaded image, of the copy, the colour (0x00BBGGRR) of the copy's
 * centre pixel, and the size and centre colour of the saved file once loaded again.
 */
#include <stdio.h>
#include <string.h>

#include "vopimg.h"

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: vopimg_example <input image> <output.bmp>\n");
    return 2;
  }
  /* Plain handles (no undo history); set the mode once, before the first image. */
  const int32_t mode = 0;
  vopInitialize(&mode);

  /* File names go in buffers of 260 characters: the library may write the final name back. */
  char input[260], output[260];
  snprintf(input, sizeof input, "%s", argv[1]);
  snprintf(output, sizeof output, "%s", argv[2]);

  VOP_IMAGE source = vopLoadImage(0, input);
  if (source == NULL) {
    printf("load: cannot decode %s\n", input);
    return 1;
  }
  int32_t width, height, bits;
  vopGetImageData(source, &width, &height, &bits);
  printf("loaded %dx%d, %d bits\n", (int)width, (int)height, (int)bits);

  /* Measure the half-size box first, then make a destination of that size and depth. */
  VOP_COPY_PARAMS params;
  memset(&params, 0, sizeof params);
  params.srcRight = width;
  params.srcBottom = height;
  params.scaleX = 0.5f;
  params.scaleY = 0.5f;
  int rc = vopCopy(NULL, VOP_COPY_MEASURE, &params, source, NULL, NULL);
  if (rc != 0) {
    printf("measure: %d\n", rc);
    vopDestroyImage(source);
    return 1;
  }
  VOP_IMAGE half = vopCreateImage(params.dstRight, params.dstBottom, bits, 0);
  rc = half ? vopCopy(NULL, VOP_COPY_SET, &params, source, half, NULL) : -1;
  vopDestroyImage(source);
  if (rc != 0) {
    printf("copy: %d\n", rc);
    vopDestroyImage(half);
    return 1;
  }
  int32_t w2, h2;
  vopGetImageData(half, &w2, &h2, NULL);
  const uint32_t centre = vopGetColor(half, w2 / 2, h2 / 2);
  printf("copy %dx%d, centre %06X\n", (int)w2, (int)h2, (unsigned)centre);

  rc = vopSaveImage(VOP_SAVE_AS_BMP | VOP_SAVE_OVERWRITE, half, output, NULL);
  vopDestroyImage(half);
  if (rc != 0) {
    printf("save: %d\n", rc);
    return 1;
  }

  VOP_IMAGE again = vopLoadImage(0, output);
  if (again == NULL) {
    printf("reload: cannot decode %s\n", output);
    return 1;
  }
  int32_t w3, h3;
  vopGetImageData(again, &w3, &h3, NULL);
  printf("saved %s %dx%d, centre %06X\n", output, (int)w3, (int)h3,
         (unsigned)vopGetColor(again, w3 / 2, h3 / 2));
  vopDestroyImage(again);
  return 0;
}
