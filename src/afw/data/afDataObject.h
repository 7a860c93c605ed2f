#pragma once
// The framework's data objects: typed data in memory that the clipboard and drag and drop move
// between the program and the system. Each is paired with a COM object that shows it to the
// system as an IDataObject; the data object holds one reference to it until detach hands the
// data object over to it (the clipboard does that), and from then on the data object lives
// exactly as long as its COM object.
//
// A data object that receives data (paste, drop) is made empty; its formats say what it takes,
// and the system's data is pushed into it through its COM object's SetData.

#include "afw/data/afDataFormat.h"

#include <cstdint>

struct IDataObject;
class __afIDataObject;

class afDataObject {
public:
    afDataObject();
    // Releases the COM object if this still holds it; a COM object that others still hold
    // forgets this and answers E_UNEXPECTED from then on.
    virtual ~afDataObject();
    afDataObject(const afDataObject&) = delete;
    afDataObject& operator=(const afDataObject&) = delete;

    // Writes the data for the format into buffer (getDataSize bytes); false without that format.
    virtual bool getData(afDataFormat format, void* buffer) const;
    // Stores size bytes at data as the format. The base clears the empty flag and refuses.
    virtual bool setData(afDataFormat format, uint32_t size, const void* data);
    virtual uint32_t getDataSize(afDataFormat format) const;
    // The size of a block of the process heap as the heap reports it; 0 (and a log line) when
    // it is not one.
    virtual uint32_t loadSize(afDataFormat format, const void* data) const;
    // Empties the data object: a receiver used again for the next paste or drop holds nothing
    // of the last one. Subclasses drop their payload and call the base.
    virtual void clear();
    virtual bool isEmpty() const;
    virtual bool hasFormat(afDataFormat format, afDataDirection direction) const;
    virtual uint32_t getFormatCount(afDataDirection direction) const;
    // Writes getFormatCount formats into buffer.
    virtual void getFormats(afDataFormat* buffer, afDataDirection direction) const;
    // The one format, when the count is 1.
    virtual afDataFormat getFormat(afDataDirection direction) const;

    // The COM face, with no reference added; null once detached.
    IDataObject* getComObject() const;
    // Hands this object over to its COM object: it is deleted at the COM object's last
    // Release, at once when nobody else holds it. Do not touch it afterwards.
    void detach();

protected:
    bool m_empty = true;

private:
    friend class __afIDataObject;

    // Set while both live: the COM object's owner is this, and this knows its COM object.
    __afIDataObject* m_com;
    bool m_holdsCom = true;
};

// A data object of exactly one format, the same both ways.
class afDataObjectSimple : public afDataObject {
public:
    explicit afDataObjectSimple(afDataFormat format) : m_format(format) {}

    using afDataObject::getData;
    using afDataObject::setData;
    bool getData(afDataFormat format, void* buffer) const override;
    bool setData(afDataFormat format, uint32_t size, const void* data) override;
    uint32_t getDataSize(afDataFormat format) const override;
    uint32_t getFormatCount(afDataDirection direction) const override;
    void getFormats(afDataFormat* buffer, afDataDirection direction) const override;
    afDataFormat getFormat(afDataDirection direction) const override;

    virtual uint32_t getSize() const;
    virtual bool getData(void* buffer) const;
    // The base clears the empty flag and refuses.
    virtual bool setData(uint32_t size, const void* data);

protected:
    afDataFormat m_format;
};
