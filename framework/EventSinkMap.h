// The event table of a dialog's skin controls: control id and event number
// to the member that handles the event.
#pragma once

#include "skinctl/SkinProtocol.h"

#include <cstddef>

template <class T>
struct EventSinkEntry {
    int controlId;
    int eventNumber;
    void (T::*handler)(const SkinEventArgs&);
};

template <class T, std::size_t N>
bool DispatchEventSinkMap(T* self, const EventSinkEntry<T> (&map)[N], int controlId, const SkinEventArgs& args) {
    for (const EventSinkEntry<T>& e : map) {
        if (e.controlId == controlId && e.eventNumber == args.event) {
            (self->*e.handler)(args);
            return true;
        }
    }
    return false;
}
