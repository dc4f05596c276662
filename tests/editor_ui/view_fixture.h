// A view on a store with the SQL colouring, shown offscreen.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "editor/memo_source.h"
#include "editor/sql_parser.h"
#include "editor/ui/memo_view.h"

class ViewFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    tarlow::ApplyScriptStoreSettings(store);
    store.SetSyntaxParser(&parser);
    view = std::make_unique<tarlow::TMemoView>();
    view->resize(420, 220);
    view->SetMemoSource(&store);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    view->setFocus();
    QApplication::processEvents();
  }
  void TearDown() override { view.reset(); }

  void SetLines(const std::vector<std::u16string>& lines, bool readOnly = false) {
    store.Lines().Assign(lines);
    store.SetReadOnly(readOnly);
  }
  std::u16string Line(int i) const { return store.Lines().Get(i); }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(view.get(), static_cast<Qt::Key>(key), mods);
  }
  void Type(const char* text) { QTest::keyClicks(view.get(), QString::fromLatin1(text)); }

  tarlow::TSqlParser parser;
  tarlow::TMemoSource store;
  std::unique_ptr<tarlow::TMemoView> view;
};
