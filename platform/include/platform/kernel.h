// Kernel services: tick count, performance counter, Sleep, paths, file tests,
// the program folder and the system directory.
#pragma once
#include <cstdint>
#include <string>

namespace vr {

// Milliseconds since the system started, as a signed 32-bit value that wraps
// like the original 32-bit counter (after about 24.8 days it turns negative).
int32_t GetTickCount();
// Performance counter: ticks of a monotonic clock and their frequency (1e9).
bool QueryPerformanceFrequency(int64_t* frequency);
bool QueryPerformanceCounter(int64_t* counter);
// Suspends the calling thread.
void Sleep(uint32_t milliseconds);
// Suspends the calling thread for a number of nanoseconds (the system may add
// a little: a timer's slack, the scheduler's latency).
void SleepNs(int64_t nanoseconds);

// A manual clock for tests and replays. While it is on, GetTickCount and the
// performance counter read it instead of the system clock, Sleep advances it
// instead of waiting, and every performance-counter read advances it by the
// auto step (so a busy wait on the counter ends).
void UseManualClock(bool on, int64_t startNs = 0);
void SetClockAutoStep(int64_t ns);
// Seconds since midnight (local time of day as the runtime's Timer gives it);
// the manual clock's seconds modulo a day while it is on.
float Timer();

// Turns a path written with "\" separators into a native path ("/"). Leading
// "\" stays a root, so an empty folder joined with "\name" lands in "/name".
std::string NativePath(const std::string& path);
// True when the file or folder exists, or the user's copy of it does (PathFileExistsA).
bool PathFileExistsA(const std::string& path);
// True when the path names an existing folder.
bool IsDirectory(const std::string& path);
// Folder of the running program, without a trailing separator.
std::string ProgramFolder();

// The user's data folder: $XDG_DATA_HOME when it is absolute, else ~/.local/share.
std::string UserDataFolder();
// The user's configuration folder: $XDG_CONFIG_HOME when it is absolute, else ~/.config.
std::string UserConfigFolder();
// The per-user folder that stands in for the Windows system directory:
// $XDG_DATA_HOME/vrplatform/system (default ~/.local/share/...), created on
// first use. Copies it into buffer (NUL-terminated) and returns its length,
// or the size needed (including the NUL) when the buffer is too small.
uint32_t GetSystemDirectoryA(char* buffer, uint32_t size);
std::string SystemDirectory();
// Puts another folder in the system directory's place ("" restores it): a
// played-back run keeps its files in a scratch folder of its own.
void SetSystemDirectoryOverride(const std::string& folder);

}  // namespace vr
