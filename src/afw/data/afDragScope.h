#pragma once
// Marks the drag this process is running (afDropSource::drag makes one around the system's
// drag loop). A data object that takes a pointer payload ("afDockSlot", "TesselProjectItems")
// accepts only the bytes such a drag offers: a pointer from another process, a second Tessel
// or a hostile program, would otherwise be dereferenced here. UI thread only; drags nest.

#include "afw/data/afDataFormat.h"

class afDataObject;

class afDragScope {
public:
    explicit afDragScope(const afDataObject* data);
    ~afDragScope();
    afDragScope(const afDragScope&) = delete;
    afDragScope& operator=(const afDragScope&) = delete;

    // True when a running drag's data object offers exactly these bytes in the format.
    static bool offers(afDataFormat format, const void* bytes, uint32_t size);

private:
    const afDataObject* m_data;
    afDragScope* m_outer;
};
