#pragma once

// The model's draw switches for one frame.
struct DrawOptions {
    int drawSolid = 1;
    int drawUnfilled = 1;
    int browse = 0;
};
