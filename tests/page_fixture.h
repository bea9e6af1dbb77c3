// A page on its own, shown once, with a sink that keeps every message.
#pragma once

#include <gtest/gtest.h>

#include "tests/recording_sink.h"

namespace telvaro {

template <class Page>
class PageAlone : public ::testing::Test {
 protected:
  void SetUp() override { page.OnShow(); }
  template <typename T>
  T* Find(const char* name) const {
    auto* control = page.template findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  RecordingSink sink;
  Page page{nullptr, &sink};
};

}  // namespace telvaro
