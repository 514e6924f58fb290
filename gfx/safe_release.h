#pragma once

// Releases the object a holder points at, if any, and empties the holder.
template <class T>
void SafeRelease(T*& object)
{
    if (object) {
        object->Release();
        object = nullptr;
    }
}
