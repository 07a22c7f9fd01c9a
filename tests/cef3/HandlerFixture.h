#pragma once
// A browser control with its client and a recording owner, without an
// engine: the client's callbacks are called directly.
#include <gtest/gtest.h>

#include "CCefCommonUI.h"
#include "ClientHandlerCommon.h"
#include "RecordingOwner.h"

class HandlerTest : public testing::Test {
protected:
    void SetUp() override {
        // No paint manager: nothing here may need the desktop, whose first
        // user would start Wine's desktop process under this test.
        control_ = new CCefCommonUI(nullptr, &owner_);
        client_ = control_->GetClient();
        handler_ = static_cast<ClientHandlerCommon*>(client_.get());
    }
    void TearDown() override { delete control_; }

    RecordingOwner owner_;
    CCefCommonUI* control_ = nullptr;
    CefRefPtr<CefClient> client_;
    ClientHandlerCommon* handler_ = nullptr;
};
