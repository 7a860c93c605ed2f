#pragma once
// A clipboard format number (0: none), made from a number or registered by name, and the names
// of the formats the framework's callers register.

#include <cstdint>

// Which way a data object's formats are asked for: what it can give, or what it can take.
enum afDataDirection : uint32_t {
    AF_DATA_GET = 1,
    AF_DATA_SET = 2,
};

// The editor's payload beside the copied text: the kind of the selection that was copied.
constexpr const wchar_t* AF_FORMAT_EDITOR_SELECTION_TYPE = L"EditorSelectionType";
// A dock slot being dragged between docks (a pointer: meaningful only in this process).
constexpr const wchar_t* AF_FORMAT_DOCK_SLOT = L"afDockSlot";
// Project items dragged in the project window (a pointer: meaningful only in this process).
constexpr const wchar_t* AF_FORMAT_PROJECT_ITEMS = L"TesselProjectItems";

class afDataFormat {
public:
    afDataFormat(uint16_t format = 0) : m_format(format) {}

    // Registers the name with the system (the same name gives the same number every time);
    // a failure logs and leaves the format 0, which matches nothing a data object offers.
    void setFormat(const wchar_t* name);
    static afDataFormat registered(const wchar_t* name) {
        afDataFormat format;
        format.setFormat(name);
        return format;
    }

    uint16_t getFormat() const { return m_format; }
    bool operator==(afDataFormat other) const { return m_format == other.m_format; }
    bool operator!=(afDataFormat other) const { return m_format != other.m_format; }

private:
    uint16_t m_format;
};
