// A keyboard for a Wayland compositor that types as a physical one does: it
// hands the compositor the standard evdev/pc105/us keymap once, so the
// client sees a real keyboard's key codes, and presses modifiers as keys,
// with the modifier state that follows from them. Tools that upload a
// keymap of their own per key cannot type Alt and give other codes.
//
// Commands on standard input, one a line, keys named as xkb names them
// ("Control_L", "s", "space", "1"):
//   d KEY   key down        u KEY   key up
//   k KEY   down, 40 ms, up s MS    sleep
// Ends at the end of its input; status 1 when there is no compositor or it
// offers no virtual keyboard.

#include "virtual-keyboard-unstable-v1-client.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

wl_seat* seat = nullptr;
zwp_virtual_keyboard_manager_v1* manager = nullptr;

void announced(void*, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    if (std::strcmp(interface, wl_seat_interface.name) == 0)
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

void removed(void*, wl_registry*, std::uint32_t) { }

const wl_registry_listener registrylistener = { announced, removed };

class TKeyboard {
public:
    TKeyboard(wl_display* display, zwp_virtual_keyboard_v1* keyboard)
        : m_display(display)
        , m_keyboard(keyboard)
    {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names = { "evdev", "pc105", "us", "", "" };
        m_keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        m_state = xkb_state_new(m_keymap);
        char* text = xkb_keymap_get_as_string(m_keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        std::size_t size = std::strlen(text) + 1;
        int file = memfd_create("keymap", 0);
        if (write(file, text, size) != static_cast<ssize_t>(size))
            std::exit(1);
        zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file, size);
        wl_display_roundtrip(m_display);
        close(file);
        std::free(text);
    }

    // The key code of the first key whose first level gives the name.
    xkb_keycode_t keycode(const std::string& name) const
    {
        xkb_keysym_t symbol = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        if (symbol == XKB_KEY_NoSymbol)
            symbol = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
        for (xkb_keycode_t code = xkb_keymap_min_keycode(m_keymap); code <= xkb_keymap_max_keycode(m_keymap); ++code) {
            const xkb_keysym_t* symbols = nullptr;
            int count = xkb_keymap_key_get_syms_by_level(m_keymap, code, 0, 0, &symbols);
            for (int index = 0; index < count; ++index)
                if (symbols[index] == symbol)
                    return code;
        }
        return 0;
    }

    void send(xkb_keycode_t code, bool down)
    {
        auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        // The protocol counts evdev codes, 8 below xkb's.
        zwp_virtual_keyboard_v1_key(m_keyboard, static_cast<std::uint32_t>(now.count()), code - 8, down ? 1 : 0);
        xkb_state_update_key(m_state, code, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        std::uint32_t modifiers[4] = { xkb_state_serialize_mods(m_state, XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LOCKED),
            xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE) };
        if (std::memcmp(modifiers, m_sentmodifiers, sizeof modifiers) != 0) {
            zwp_virtual_keyboard_v1_modifiers(m_keyboard, modifiers[0], modifiers[1], modifiers[2], modifiers[3]);
            std::memcpy(m_sentmodifiers, modifiers, sizeof modifiers);
        }
        wl_display_flush(m_display);
    }

private:
    wl_display* m_display;
    zwp_virtual_keyboard_v1* m_keyboard;
    xkb_keymap* m_keymap = nullptr;
    xkb_state* m_state = nullptr;
    std::uint32_t m_sentmodifiers[4] = { 0xffffffff, 0, 0, 0 };
};

}

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fputs("waylandkeyboard: no Wayland compositor\n", stderr);
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registrylistener, nullptr);
    wl_display_roundtrip(display);
    if (!seat || !manager) {
        std::fputs("waylandkeyboard: the compositor offers no virtual keyboard\n", stderr);
        return 1;
    }
    TKeyboard keyboard(display, zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat));

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, argument;
        words >> command >> argument;
        if (command == "s") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argument.c_str())));
            continue;
        }
        xkb_keycode_t code = keyboard.keycode(argument);
        if (code == 0) {
            std::fprintf(stderr, "waylandkeyboard: no key %s\n", argument.c_str());
            continue;
        }
        if (command == "d" || command == "k")
            keyboard.send(code, true);
        if (command == "k")
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        if (command == "u" || command == "k")
            keyboard.send(code, false);
        wl_display_dispatch_pending(display);
    }
    wl_display_roundtrip(display);
    return 0;
}
