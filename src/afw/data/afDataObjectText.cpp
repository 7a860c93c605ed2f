#include "afw/data/afDataObjectText.h"

#include <cstring>
#include <windows.h>

afDataObjectText::afDataObjectText() : afDataObjectSimple(CF_UNICODETEXT) {}

afDataObjectText::afDataObjectText(const std::wstring& text) : afDataObjectSimple(CF_UNICODETEXT), m_text(text) {
    m_empty = false;
}

void afDataObjectText::setText(const std::wstring& text) {
    m_text = text;
    m_empty = false;
}

void afDataObjectText::setText(const wchar_t* chars, uint32_t count) {
    if (!chars)
        return;
    m_text.assign(chars, count);
    m_empty = false;
}

const std::wstring& afDataObjectText::getText() const {
    return m_text;
}

uint32_t afDataObjectText::getLength() const {
    return static_cast<uint32_t>(m_text.size());
}

uint32_t afDataObjectText::getSize() const {
    return (getLength() + 1) * 2;
}

bool afDataObjectText::getData(void* buffer) const {
    if (!buffer)
        return false;
    std::memcpy(buffer, m_text.c_str(), getSize());
    return true;
}

void afDataObjectText::clear() {
    m_text.clear();
    afDataObjectSimple::clear();
}

bool afDataObjectText::setData(uint32_t size, const void* data) {
    if (!data)
        return false;
    m_text.clear();
    if (size == 0)
        return true;
    m_empty = false;
    m_text.assign(static_cast<const wchar_t*>(data), size / 2);
    return true;
}
