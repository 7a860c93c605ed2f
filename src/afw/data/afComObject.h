#pragma once
// The shared part of the framework's small COM objects (data objects, their format enumerators,
// drop sources and targets): one interface besides IUnknown, an interlocked reference count and
// deletion at the last Release; and the boundary of their methods, which no exception crosses.

#include "afw/core/afExceptionBoundary.h"

#include <new>
#include <ole2.h>

template <class Interface>
class afComObject : public Interface {
public:
    afComObject() = default;
    afComObject(const afComObject&) = delete;
    afComObject& operator=(const afComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(id, __uuidof(IUnknown)) || IsEqualIID(id, __uuidof(Interface))) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

protected:
    virtual ~afComObject() = default;

private:
    LONG m_references = 0;
};

// Runs a COM method's body: a failed allocation answers E_OUTOFMEMORY, any other exception is
// reported (one log line) and answers E_UNEXPECTED.
template <class Body>
HRESULT afComGuard(Body&& body) noexcept {
    HRESULT result = E_UNEXPECTED;
    afGuard([&] {
        try {
            result = body();
        } catch (const std::bad_alloc&) {
            result = E_OUTOFMEMORY;
        }
    });
    return result;
}
