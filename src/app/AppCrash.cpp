#include "app/App.h"

namespace tessel {

BOOL CALLBACK crashCallback(void* /*state*/) {
    // The log manager lets go of the file before it goes: other threads may still log while the
    // report is written, and must not reach a deleted listener. Deleting it writes what it holds.
    try {
        if (App* app = App::get())
            app->dropLogFile();
    } catch (...) {
        // The report goes on whatever happened to the log.
    }
    return TRUE;
}

} // namespace tessel
