// One owner for every kind of system handle, and its named kinds.
#pragma once
#include "app/Win.h"

#include <cstdint>
#include <type_traits>
#include <utility>

// Owns one handle of type T and gives it back with Close. The values in Empty mean "no
// handle" (the first is the one an empty owner holds); most kinds have only null, files
// also INVALID_HANDLE_VALUE (-1).
template <class T, auto Close, std::intptr_t... Empty> class OwnedHandle {
    static_assert(sizeof...(Empty) > 0, "an owner needs a value that means no handle");

public:
    OwnedHandle() = default;
    explicit OwnedHandle(T value) noexcept : value_(value) {}
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : value_(other.release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    static T None() noexcept { return From(First(Empty...)); }
    static bool IsNone(T value) noexcept { return ((value == From(Empty)) || ...); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return !IsNone(value_); }
    // Gives the handle up without closing it.
    T release() noexcept { return std::exchange(value_, None()); }
    void reset(T value = None()) noexcept
    {
        const T old = std::exchange(value_, value);
        if (!IsNone(old))
            Close(old);
    }
    // Closes the handle and hands out the slot to a call that fills it.
    T* Put() noexcept
    {
        reset();
        return &value_;
    }

private:
    static constexpr std::intptr_t First(std::intptr_t first, auto...) { return first; }
    static T From(std::intptr_t value) noexcept
    {
        if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<T>(value);
        else
            return static_cast<T>(value);
    }

    T value_ = None();
};

using UniqueHandle = OwnedHandle<HANDLE, CloseHandle, 0, -1>;
// What CreateFileW returns: INVALID_HANDLE_VALUE when there is none.
using UniqueFile = OwnedHandle<HANDLE, CloseHandle, -1, 0>;
using UniqueFind = OwnedHandle<HANDLE, FindClose, -1>;
template <class T> using UniqueGdi = OwnedHandle<T, DeleteObject, 0>;
using UniqueMenu = OwnedHandle<HMENU, DestroyMenu, 0>;
using UniqueIcon = OwnedHandle<HICON, DestroyIcon, 0>;
using UniqueKey = OwnedHandle<HKEY, RegCloseKey, 0>;
// Memory the system allocated with LocalAlloc for the caller (messages, argument lists).
template <class T> using UniqueLocal = OwnedHandle<T, LocalFree, 0>;

inline void ReleaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }

// The screen's device context, from construction to scope exit.
class ScreenDC : public OwnedHandle<HDC, ReleaseScreenDc, 0> {
public:
    ScreenDC() : OwnedHandle(GetDC(nullptr)) {}
};

// COM on this thread for the owner's lifetime; a thread that already has it keeps its own.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};
