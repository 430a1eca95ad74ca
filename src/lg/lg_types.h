#pragma once
// Small value types shared by the device layer and its devices.

struct LgRgb
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// The magnifier: an image, the part of it shown, where it is shown (world
// coordinates), how many elements the magnified region holds, and where the
// magnification is drawn.
struct LgSpyglass
{
    int mode = 0; // > 0: on
    const float* data = nullptr;
    int xmaxdat = 0;
    int ymaxdat = 0;
    int xstart = 1, ystart = 1, xend = 1, yend = 1;
    float image_x1 = 0, image_y1 = 0, image_x2 = 0, image_y2 = 0;
    int xnum = 11, ynum = 11;
    float glass_x1 = 0, glass_y1 = 0, glass_x2 = 0, glass_y2 = 0;
};
