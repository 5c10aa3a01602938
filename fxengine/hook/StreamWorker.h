// The thread that keeps every looping DirectSound buffer processed just
// ahead of its play cursor, and the list of the buffer streams of the
// process. The thread runs only while a stream that has played looping
// exists; it sleeps on an event while none of them plays.
#pragma once

#include <windows.h>

namespace fxengine {

class BufferStream;

class StreamWorker {
public:
    static void Add(BufferStream* stream);
    static void Remove(BufferStream* stream);
    // A stream began to play looping: the thread runs.
    static void Wake();
    // The device that made these streams was released: leave them alone.
    static void DeviceGone(const void* owner);
    static bool Running();
    static void Shutdown();  // the library leaves the process

private:
    static bool Ready();
    static bool StartThread();
    static DWORD WINAPI Run(LPVOID);
};

}  // namespace fxengine
