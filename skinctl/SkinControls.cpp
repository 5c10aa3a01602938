#include "skinctl/SkinControls.h"

#include "skinctl/Animation.h"
#include "skinctl/Knob.h"
#include "skinctl/PushButton.h"
#include "skinctl/SkinWindow.h"

bool RegisterSkinControls(HINSTANCE instance) {
    using namespace skinctl;
    const bool knob = RegisterSkinClass(instance, SKIN_KNOB_CLASS, Knob::WndProc);
    const bool button = RegisterSkinClass(instance, SKIN_PUSHBUTTON_CLASS, PushButton::WndProc);
    // The animation draws twelve times a second from its timer: with a DC of
    // its own, the visible region is kept between frames instead of being
    // fetched anew for each.
    const bool animation = RegisterSkinClass(instance, SKIN_ANIMATION_CLASS, Animation::WndProc, CS_OWNDC);
    return knob && button && animation;
}
