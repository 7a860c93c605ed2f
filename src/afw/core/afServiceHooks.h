#pragma once
// Hands framework clean-ups to the service root's exit callbacks, which the shell runs at exit
// after the windows are gone. The root is only looked up, never created: asking for a theme or
// opening a window must not run the service's set-up (settings files) out of order, and the
// framework's own tests run without a root.

// Called with the object it was registered with and the argument the exit list passes.
using afExitCallback = void (*)(void* object, int argument);

// Adds the callback to the exit list of the service root when one exists; false when there is
// no root (nothing is registered then).
bool afAddServiceExitCallback(void* object, afExitCallback callback);

// Tests stand in for the service root: the registrar receives the calls instead (null: the
// root again).
using afServiceExitRegistrar = bool (*)(void* object, afExitCallback callback);
void afSetServiceExitRegistrar(afServiceExitRegistrar registrar);
