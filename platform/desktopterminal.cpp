#include "platform/desktopterminal.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace {

int xserverterminal(xcb_connection_t* connection)
{
    constexpr const char* name = "XFree86_VT";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr), &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return 0;
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_ANY, 0, 1), nullptr),
        &std::free);
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) < 4)
        return 0;
    std::uint32_t terminal = 0;
    std::memcpy(&terminal, xcb_get_property_value(property.get()), sizeof terminal);
    return terminal > 0 && terminal < 64 ? static_cast<int>(terminal) : 0;
}

}

std::vector<int> desktopterminal()
{
    auto set = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value && *value;
    };
    if (set("WINDOWPATH") || set("XDG_VTNR"))
        return {};
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return {};
    int terminal = xserverterminal(x11->connection());
    if (terminal == 0)
        return {};
    return { terminal };
}
