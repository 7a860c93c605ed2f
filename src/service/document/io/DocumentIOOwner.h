#pragma once
// What the loader asks of the object that owns it (the DocumentManager): to run the format
// detectors over a document it has just loaded.

namespace tessel {

class Document;
struct DetectorAnswer;

class DocumentIOOwner {
public:
    virtual ~DocumentIOOwner() = default;
    // Runs on the loader thread, which holds the document's lock mutex; false (result cleared)
    // when no detector answered.
    virtual bool runFormatDetectors(DetectorAnswer& result, Document& document) = 0;
};

} // namespace tessel
