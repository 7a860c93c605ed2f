#pragma once
// Enumerates a data object's formats for the system, over its own copy of the list; each
// format comes as content of index -1 in the medium GetData answers it with (a global block
// for every format the framework's data objects offer).

#include "afw/data/afComObject.h"
#include "afw/data/afDataFormat.h"

#include <vector>

class __afIEnumFORMATETC final : public afComObject<IEnumFORMATETC> {
public:
    __afIEnumFORMATETC(std::vector<afDataFormat> formats, ULONG position)
        : m_formats(std::move(formats)), m_position(position) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* out, ULONG* fetched) override;
    // Stays where it is (S_FALSE) when it would reach or pass the end.
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** clone) override;

private:
    std::vector<afDataFormat> m_formats;
    ULONG m_position;
};
