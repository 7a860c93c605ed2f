#pragma once
// Marks the drag this process is running (afDropSource::drag makes one around the system's
// drag loop). A data object that takes a pointer payload ("afDockSlot", "TesselProjectItems")
// accepts only the bytes such a drag offers: a pointer from another process, a second Tessel
// or a hostile program, would otherwise be dereferenced here. A drop target also asks it whether
// what is dragged over it comes from this process or from another program. UI thread only;
// drags nest.

#include "afw/data/afDataFormat.h"

struct IDataObject;
class afDataObject;

class afDragScope {
public:
    explicit afDragScope(const afDataObject* data);
    ~afDragScope();
    afDragScope(const afDragScope&) = delete;
    afDragScope& operator=(const afDragScope&) = delete;

    // True when a running drag's data object offers exactly these bytes in the format.
    static bool offers(afDataFormat format, const void* bytes, uint32_t size);
    // True when the dragged object is the COM face of a running drag's data object: a drag
    // this process runs, not one from another program.
    static bool drags(const IDataObject* dragged);

private:
    const afDataObject* m_data;
    afDragScope* m_outer;
};
