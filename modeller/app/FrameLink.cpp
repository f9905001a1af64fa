#include "modeller/app/FrameLink.h"

#include <climits>

namespace tbm {

FrameLink defaultFrameLink() {
    return {[]() -> HWND { return nullptr; }, [] { return INT_MIN; }, [] { return INT_MAX; }, [] {}};
}

FrameLink& frameLink() {
    static FrameLink link = defaultFrameLink();
    return link;
}

}
