// The picture qfjs gives a script when no --in is given: 256 x 256, opaque,
// easy to recognise and easy to recompute, so that a filter's effect can be
// checked by eye and by tests alike.
//   background: red = x, green = y, blue = 255 - (x + y) / 2 (whole division)
//   a white disc: (x - 88)^2 + (y - 88)^2 <= 48^2
//   a black square: 152 <= x < 232 and 152 <= y < 232
#ifndef QFJS_HOST_RUNNER_TEST_PICTURE_H
#define QFJS_HOST_RUNNER_TEST_PICTURE_H

#include "host/lib/qfhost.h"

namespace qfjs_runner {

constexpr int kTestPictureSize = 256;

// The colour of one pixel of the test picture.
qfhost::Rgba TestPicturePixel(int x, int y);

// The whole test picture (has_alpha false).
qfhost::RgbaImage TestPictureImage();

}  // namespace qfjs_runner

#endif
