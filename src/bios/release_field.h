#pragma once
// Releases the one reference an interface field holds and empties the field.
template <class T>
void ReleaseField(T*& field) {
    if (field) {
        T* held = field;
        field = nullptr;
        held->Release();
    }
}
