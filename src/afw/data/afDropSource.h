#pragma once
// Starts an OLE drag of a data object and reports what became of it. The data object is not
// owned: the caller deletes it after the drag (or hands it on).

#include "afw/data/afDropAction.h"

struct IDropSource;
class afDataObject;
class __IDropSource;

class afDropSource {
public:
    explicit afDropSource(afDataObject* data);
    virtual ~afDropSource();
    afDropSource(const afDropSource&) = delete;
    afDropSource& operator=(const afDropSource&) = delete;

    virtual afDataObject* getData() const;
    virtual void setData(afDataObject* data);
    // Runs the system's modal drag loop with the allowed actions (copy, move, link bits) and
    // answers copy, move, link, none, cancelled (Escape) or refused (no data, a failed loop).
    virtual afDropAction drag(uint32_t allowed);
    // Sets the cursor for the action the target would take; false leaves the system's own.
    virtual bool giveFeedback(afDropAction action);

    // The COM face, with no reference added.
    IDropSource* getComObject() const;

private:
    afDataObject* m_data;
    __IDropSource* m_com;
};
