// The keyboard state the X server keeps: which modifier keys are held and whether Caps Lock and
// Num Lock are on. Queried on a connection of the platform layer's own, never shared with the
// window's. Without an X server every key reads as up and every lock as off.
#pragma once

struct PlatformModifierKeys {
    bool shift_left, shift_right;
    bool ctrl_left, ctrl_right;
    bool alt_left, alt_right;
};

struct PlatformLockKeys {
    bool caps_lock;
    bool num_lock;
};

PlatformModifierKeys platform_modifier_keys();
PlatformLockKeys platform_lock_keys();
