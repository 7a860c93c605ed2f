#pragma once
// The fixture of the loader's tests: the test thread as the main thread, the folder "disk:"
// (a native folder whose reads and writes can be made to fail), "ram:" (a RAM disk whose writes
// can be made to fail), the devices an undo log lives on, a DocumentIO whose owner runs the two
// format detectors, and helpers that load and save through it with a bounded wait.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "service/document/detectors/FormatDetector.h"
#include "service/document/io/DocumentIO.h"
#include "service/document/io/DocumentIOOwner.h"
#include "support/FailingDiskDevice.h"
#include "support/TempDevices.h"
#include "support/TempFolder.h"
#include "../DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tessel_test {

// Runs the mode-line detector and the indent histogram, as the DocumentManager does.
struct DetectingOwner : tessel::DocumentIOOwner, tessel::FormatDetectorList {
    DetectingOwner() {
        add(&emacs);
        add(&softTabs);
    }
    bool runFormatDetectors(tessel::DetectorAnswer& result, tessel::Document& document) override {
        return run(result, document);
    }
    tessel::EmacsDetector emacs;
    tessel::SoftTabsDetector softTabs;
};

// The document as the DocumentManager leaves it after a load: the detected encoding and line
// ending where there was something to detect, else the defaults.
inline void applyLoadedFormat(tessel::Document& document) {
    document.changeFormat([](tessel::DocumentFormat& format) {
        format.modified = false;
        format.isNew = false;
        format.encoding = format.encodingConfidence == 0.0f ? tessel::DEFAULT_ENCODING : format.detectedEncoding;
        format.lineEnding = format.lineEndingConfidence == 0.0f ? tessel::LINE_ENDING_WINDOWS : format.detectedLineEnding;
    });
}

inline void setEncoding(tessel::Document& document, uint32_t encoding, uint32_t lineEnding) {
    document.changeFormat([&](tessel::DocumentFormat& format) {
        format.encoding = encoding;
        format.lineEnding = lineEnding;
    });
}

class DocumentIOTest : public MainThreadTest {
protected:
    DocumentIOTest() : disk(folder.path.c_str()) {
        pel::FileIO::attachDevice(L"__winfs", &native, 0); // renames resolve to native paths
        pel::FileIO::attachDevice(L"disk", &disk, 0);
        pel::FileIO::attachDevice(L"ram", &ram, 0);
    }

    // Runs a request and waits for it (a minute at most); returns its error text, empty when it
    // succeeded.
    std::wstring run(tessel::Document& document, const std::wstring& path, uint32_t kind) {
        tessel::DocumentIORequest* request = io.doRequest(&document, path.c_str(), kind);
        if (!request)
            return L"refused";
        if (request->done.wait(60000) != 0) {
            ADD_FAILURE() << "the loader did not finish the request within a minute";
            return L"timed out";
        }
        request->done.set(); // for the wait that returns the slot
        const std::unique_ptr<pel::FileErrorObject> error = io.wait(request);
        std::wstring text;
        if (error && (!pel::FileErrorObject::getMessage(&error->record(), &text) || text.empty()))
            text = L"error";
        return text;
    }
    std::wstring load(tessel::Document& d, const std::wstring& name) { return run(d, L"disk:" + name, 0); }
    std::wstring save(tessel::Document& d, const std::wstring& name) { return run(d, L"disk:" + name, 1); }
    // The bytes as a file, loaded into document (with the loaded format applied).
    void loadBytes(tessel::Document& document, const std::string& bytes) {
        folder.write(L"in.txt", bytes);
        ASSERT_EQ(L"", load(document, L"in.txt"));
        applyLoadedFormat(document);
    }

    TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
    FailingDiskDevice disk;
    FailingRamDisk ram;
    TempDevices devices; // released first: the file system goes before the devices above
    DetectingOwner owner;
    tessel::DocumentIO io{&owner};
};

} // namespace tessel_test
