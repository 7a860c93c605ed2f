#pragma once
// A data object made of child data objects, each of its own format: it offers and takes the
// children's formats in child order and hands each request to the first child of that format.
// The editor's copy (text beside the selection kind) and the docks' receivers are composites.

#include "afw/data/afDataObject.h"

#include <memory>
#include <vector>

class afDataObjectComposite : public afDataObject {
public:
    afDataObjectComposite() = default;
    // Deletes the children.
    ~afDataObjectComposite() override;

    // Takes the child over; makeCurrent makes it the one getFormat names.
    void add(afDataObject* child, bool makeCurrent);
    uint32_t getChildCount() const { return static_cast<uint32_t>(m_children.size()); }
    afDataObject* getChild(uint32_t index) const { return index < m_children.size() ? m_children[index].get() : nullptr; }
    uint32_t getCurrent() const { return m_current; }
    // The format of the last setData, whether or not a child took it; none after clear.
    afDataFormat getLastSetFormat() const { return m_lastSetFormat; }

    bool getData(afDataFormat format, void* buffer) const override;
    bool setData(afDataFormat format, uint32_t size, const void* data) override;
    uint32_t getDataSize(afDataFormat format) const override;
    uint32_t loadSize(afDataFormat format, const void* data) const override;
    void clear() override;
    // True when every child is (also with none).
    bool isEmpty() const override;
    uint32_t getFormatCount(afDataDirection direction) const override;
    void getFormats(afDataFormat* buffer, afDataDirection direction) const override;
    afDataFormat getFormat(afDataDirection direction) const override;

private:
    afDataObject* childOf(afDataFormat format) const;

    std::vector<std::unique_ptr<afDataObject>> m_children;
    uint32_t m_current = 0;
    afDataFormat m_lastSetFormat;
};
