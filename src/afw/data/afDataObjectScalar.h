#pragma once
// A data object of one 4-byte value (an unsigned number or a pointer) under a format
// registered by name. The value crosses as four raw bytes, so a pointer means something only
// inside this process: a pointer payload is taken only from a drag this process runs.

#include "afw/data/afDataObject.h"
#include "afw/data/afDragScope.h"

#include <cstring>
#include <type_traits>

template <class T>
class afDataObjectScalar : public afDataObjectSimple {
    static_assert(sizeof(T) == 4 && (std::is_integral<T>::value || std::is_pointer<T>::value),
                  "a scalar payload is a 4-byte number or pointer");

public:
    // Empty, value 0. The name is registered (again: the system gives the same number).
    explicit afDataObjectScalar(const wchar_t* formatName) : afDataObjectSimple(afDataFormat::registered(formatName)) {}
    afDataObjectScalar(const wchar_t* formatName, T value) : afDataObjectScalar(formatName) {
        m_value = value;
        m_empty = false;
    }

    T getValue() const { return m_value; }

    using afDataObjectSimple::getData;
    using afDataObjectSimple::setData;
    uint32_t getSize() const override { return 4; }
    bool getData(void* buffer) const override {
        if (!buffer)
            return false;
        std::memcpy(buffer, &m_value, 4);
        return true;
    }
    bool setData(uint32_t size, const void* data) override {
        if (size != 4 || !data)
            return false;
        if (std::is_pointer<T>::value && !afDragScope::offers(m_format, data, 4))
            return false;
        std::memcpy(&m_value, data, 4);
        m_empty = false;
        return true;
    }
    void clear() override {
        m_value = T();
        afDataObjectSimple::clear();
    }

private:
    T m_value = T();
};

// The kind of the editor's selection that travels beside copied text ("EditorSelectionType").
extern template class afDataObjectScalar<unsigned int>;
using afDataObjectSelectionType = afDataObjectScalar<unsigned int>;
