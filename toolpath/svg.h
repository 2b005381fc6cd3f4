// The tool-path picture as an SVG drawing: the source in grey and the converted
// program on top, one colour per copy, with a scale and a legend.
#pragma once

#include "platform/platform.h"
#include "toolpath/check.h"
#include "toolpath/picture.h"

// Writes the picture into out as SVG (code page 932 texts).
void write_picture_svg(TextWriter &out, const Picture &picture);

// Builds the picture of a conversion (build_picture) and writes it into out,
// with its facts. 0, or -1 when a file cannot be opened (nothing written).
int write_toolpath_svg(TextWriter &out, const char *input_path, const char *output_path, const CheckParams &params,
                       const char *check_text, PictureFacts &facts);
