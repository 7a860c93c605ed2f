#include "service/parser/DocumentParserServices.h"

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/parser/ScopeRegistry.h"
#include "service/parser/ThemeStyler.h"
#include "support/TempDevices.h"

#include <gtest/gtest.h>

// The application hands the manager these services: its documents get the parsing subsystem's
// scope registry and theme styler.
TEST(DocumentParserServices, DocumentsOfTheManagerGetTheRealRegistryAndStyler) {
    pel::store_main_thread_id();
    pel::MessageRegistry registry;
    registry.initRegistry(::GetModuleHandleW(nullptr));
    {
        tessel_test::TempDevices devices;
        tessel::DocumentManager manager(std::make_shared<tessel::DocumentParserServices>());
        tessel::Document* document = manager.createDocument(L"");
        EXPECT_NE(nullptr, dynamic_cast<tessel::ScopeRegistry*>(&document->getScopeRegistry()));
        EXPECT_NE(nullptr, dynamic_cast<tessel::ThemeStyler*>(&document->getStyler()));
        EXPECT_EQ(L"none", document->getScopeRegistry().root()->name());
    }
    registry.releaseRegistry();
}
