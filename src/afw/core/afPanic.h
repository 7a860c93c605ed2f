#pragma once
// The framework's fatal exit, for window-system failures that leave no way on: one log line,
// a message box, exit code 1. Nothing is saved. Tests replace the box by a handler of their own.

// Receives the composed text ("method: message"). A handler that returns still ends the
// process with exit code 1; a test handler throws instead.
using afPanicHandler = void (*)(const wchar_t* text);

[[noreturn]] void afPanic(const wchar_t* message, const wchar_t* method);

// Replaces the handler (null: the message box again) and returns the previous one.
afPanicHandler afSetPanicHandler(afPanicHandler handler);
