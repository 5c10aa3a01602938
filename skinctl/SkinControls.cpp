#include "skinctl/SkinControls.h"

#include "skinctl/Animation.h"
#include "skinctl/Knob.h"
#include "skinctl/PushButton.h"
#include "skinctl/SkinWindow.h"

bool RegisterSkinControls(HINSTANCE instance) {
    using namespace skinctl;
    const bool knob = RegisterSkinClass(instance, SKIN_KNOB_CLASS, Knob::WndProc);
    const bool button = RegisterSkinClass(instance, SKIN_PUSHBUTTON_CLASS, PushButton::WndProc);
    const bool animation = RegisterSkinClass(instance, SKIN_ANIMATION_CLASS, Animation::WndProc);
    return knob && button && animation;
}
