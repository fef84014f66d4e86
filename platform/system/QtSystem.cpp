// Real system information backend on Qt: screens, the application palette and a steady clock.
#include "platform/system/QtSystem.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <chrono>

namespace platform {

namespace {

gfx::TColor FromQColor(const QColor& c) { return gfx::RGBColor(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())); }

QScreen* Primary() { return QGuiApplication::primaryScreen(); }

}  // namespace

int TQtSystem::ScreenWidth() const { return Primary() ? Primary()->geometry().width() : 0; }
int TQtSystem::ScreenHeight() const { return Primary() ? Primary()->geometry().height() : 0; }
int TQtSystem::LogicalDpiX() const { return Primary() ? qRound(Primary()->logicalDotsPerInchX()) : 96; }
int TQtSystem::LogicalDpiY() const { return Primary() ? qRound(Primary()->logicalDotsPerInchY()) : 96; }

gfx::TColor TQtSystem::SysColor(int index) const {
  const QPalette pal = QGuiApplication::palette();
  auto act = [&](QPalette::ColorRole r) { return FromQColor(pal.color(QPalette::Active, r)); };
  auto inact = [&](QPalette::ColorRole r) { return FromQColor(pal.color(QPalette::Inactive, r)); };
  switch (index) {
    case scScrollBar: return act(QPalette::Mid);
    case scBackground: return act(QPalette::Dark);
    case scActiveCaption: return act(QPalette::Highlight);
    case scInactiveCaption: return inact(QPalette::Mid);
    case scMenu: return act(QPalette::Window);
    case scWindow: return act(QPalette::Base);
    case scWindowFrame: return act(QPalette::Shadow);
    case scMenuText: return act(QPalette::WindowText);
    case scWindowText: return act(QPalette::Text);
    case scCaptionText: return act(QPalette::HighlightedText);
    case scActiveBorder: return act(QPalette::Window);
    case scInactiveBorder: return inact(QPalette::Window);
    case scAppWorkSpace: return act(QPalette::Mid);
    case scHighlight: return act(QPalette::Highlight);
    case scHighlightText: return act(QPalette::HighlightedText);
    case scBtnFace: return act(QPalette::Button);
    case scBtnShadow: return act(QPalette::Mid);
    case scGrayText: return FromQColor(pal.color(QPalette::Disabled, QPalette::Text));
    case scBtnText: return act(QPalette::ButtonText);
    case scInactiveCaptionText: return inact(QPalette::WindowText);
    case scBtnHighlight: return act(QPalette::Light);
    case sc3DDkShadow: return act(QPalette::Shadow);
    case sc3DLight: return act(QPalette::Midlight);
    case scInfoText: return act(QPalette::ToolTipText);
    case scInfoBk: return act(QPalette::ToolTipBase);
    default: return 0;
  }
}

int64_t TQtSystem::MonotonicMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace platform
