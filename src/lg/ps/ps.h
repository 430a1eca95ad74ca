#pragma once
// The PostScript device: what is drawn on a PostScript workstation, written
// as a PostScript program (level 1) to an open text unit. Coordinates are
// integers in tenths of a point; no line is longer than 81 characters.

#include <string_view>

#include "lg/lg_types.h"

void LG_PS_OPEN(int unit, bool own_region, bool landscape, bool colour, int& status);
void LG_PS_CLOSE(int& status);
void LG_PS_TRANSFORM(float wx1, float wy1, float wx2, float wy2, float vx1, float vy1, float vx2,
                     float vy2, int& status);
void LG_PS_PL(int n, const float* x, const float* y, int& status);
void LG_PS_FA(int n, const float* x, const float* y, int& status);
void LG_PS_PM(int n, const float* x, const float* y, int& status);
void LG_PS_TEXT(float x, float y, std::string_view text, int& status);
// Cell arrays; the colour table (256 entries) gives each index its colour.
void LG_PS_CA(float x1, float y1, float x2, float y2, int xdim, int xstart, int ystart, int xcount,
              int ycount, const int* array, const LgRgb* table, int& status);
void LG_PS_RMCA(bool mask_flag, float x1, float y1, float x2, float y2, int xdim, int xstart,
                int ystart, int xcount, int ycount, const float* array, const bool* mask,
                float minimum, float maximum, int mask_colour, bool log_scaling, int min_image,
                int max_image, const LgRgb* table, int& status);
void LG_PS_CLEAR(int& status);
void LG_PS_UPDATE(int& status);
void LG_PS_CLIP(bool on, float x1, float y1, float x2, float y2, int& status);
void LG_PS_LINESTYLE(int style, int& status);
void LG_PS_LINEWIDTH(float width, int& status);
void LG_PS_LINECOLOUR(const LgRgb& colour, int& status);
void LG_PS_FILLCOLOUR(const LgRgb& colour, int& status);
void LG_PS_MARKERCOLOUR(const LgRgb& colour, int& status);
void LG_PS_TEXTCOLOUR(const LgRgb& colour, int& status);
void LG_PS_MARKERTYPE(int type, int& status);
void LG_PS_MARKERSCALE(float scale, int& status);
void LG_PS_MARKERWIDTH(float width, int& status);
void LG_PS_TEXTFONT(int font, int& status);
void LG_PS_TEXTHEIGHT(float height, int& status);
void LG_PS_TEXTALIGNMENT(int horizontal, int vertical, int& status);
// The angle in radians, as the layer hands it to the devices.
void LG_PS_TEXTANGLE(float angle, int& status);
