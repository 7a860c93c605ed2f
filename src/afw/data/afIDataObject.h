#pragma once
// The COM face of a data object: what the system's clipboard and drag loop call. Data from
// other programs reaches the data object only through SetData, which reads each block inside
// its bounds. A COM object whose data object was deleted answers E_UNEXPECTED.

#include "afw/data/afComObject.h"
#include "afw/data/afDataFormat.h"

class afDataObject;

class __afIDataObject final : public afComObject<IDataObject> {
public:
    explicit __afIDataObject(afDataObject* owner) : m_owner(owner) {}

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

    // The medium type GetData answers the format with.
    static DWORD mediumTypeOf(afDataFormat format);

private:
    friend class afDataObject;
    // Deletes the owner when it was handed over (detach).
    ~__afIDataObject() override;

    HRESULT queryGetData(const FORMATETC* format) const;
    HRESULT getDataHere(const FORMATETC& format, STGMEDIUM& medium) const;
    HRESULT setFromGlobal(afDataFormat format, HGLOBAL block);
    static void releaseTaken(STGMEDIUM& medium);

    afDataObject* m_owner;
    bool m_ownsOwner = false;
};
