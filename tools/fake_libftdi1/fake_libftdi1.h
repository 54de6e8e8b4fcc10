#pragma once

// Control side of the fake libftdi1. The fake answers libftdi1's calls by
// driving the fake vendor library's adapter (its devices, its transmitter,
// its failures and its call record), so both backends meet one adapter.
// What only libftdi1 has is kept here: its own call record, failures with
// libftdi1's error codes, and the kernel's serial driver holding a device.

extern "C" {

// Forgets the calls, failures and drivers recorded here.
void fake_libftdi1_reset();
// Every libftdi1 call, as "name arg arg ...", oldest first.
int fake_libftdi1_call_count();
const char *fake_libftdi1_call(int index);
// From now on every call whose recorded line is call or starts with call and
// a space returns code (libftdi1's negative error) without doing anything:
// "ftdi_usb_open_dev QZK1" fails the open of that device only. Code 0 lifts it.
void fake_libftdi1_fail(const char *call, int code);
// The kernel's serial driver holds the device with this serial number: an
// open that does not detach it fails as libftdi1 does (-5).
void fake_libftdi1_bind_driver(const char *serialNumber);
// Whether the kernel's serial driver holds the device now.
int fake_libftdi1_driver_bound(const char *serialNumber);
// Contexts made by ftdi_new and not yet freed.
int fake_libftdi1_contexts();
}

using fake_libftdi1_reset_t = void (*)();
using fake_libftdi1_call_count_t = int (*)();
using fake_libftdi1_call_t = const char *(*)(int);
using fake_libftdi1_fail_t = void (*)(const char *, int);
using fake_libftdi1_bind_driver_t = void (*)(const char *);
using fake_libftdi1_driver_bound_t = int (*)(const char *);
using fake_libftdi1_contexts_t = int (*)();
