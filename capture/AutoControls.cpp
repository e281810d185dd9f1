#include "AutoControls.h"

#include <linux/videodev2.h>

const std::vector<CAutomaticControl>& AutomaticControls() {
    static const std::vector<CAutomaticControl> controls = {
        {V4L2_CID_EXPOSURE_AUTO,
         V4L2_EXPOSURE_MANUAL,
         {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE}},
        {V4L2_CID_AUTOGAIN, 0, {V4L2_CID_GAIN}},
        {V4L2_CID_AUTO_WHITE_BALANCE,
         0,
         {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_RED_BALANCE, V4L2_CID_BLUE_BALANCE}},
    };
    return controls;
}
