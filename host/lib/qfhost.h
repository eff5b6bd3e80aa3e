// The reference host library in one include: the host objects and their
// factory, PNG files, compositing, filters and the version 7 side.
#ifndef QFHOST_QFHOST_H
#define QFHOST_QFHOST_H

#include "host/lib/ani_frame.h"
#include "host/lib/bitmap.h"
#include "host/lib/call_log.h"
#include "host/lib/compositing.h"
#include "host/lib/dib_block.h"
#include "host/lib/dib_convert.h"
#include "host/lib/document.h"
#include "host/lib/factory.h"
#include "host/lib/filters.h"
#include "host/lib/layer.h"
#include "host/lib/picture.h"
#include "host/lib/png_io.h"
#include "host/lib/resample.h"
#include "host/lib/rgba_image.h"
#include "host/lib/v7_compositing.h"
#include "host/lib/v7_host.h"

#endif
