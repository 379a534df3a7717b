#pragma once
// The favourite colours as a list in memory, with the manager's rules
// (no colour, black and white refused; an equal favourite moved) and its
// notification; registered while the fake lives.

#include <QList>
#include <algorithm>

#include "platform/NotificationCenter.h"
#include "ui/editor/DRFavoriteColorManager.h"

class FakeFavoriteColorManager : public DRFavoriteColorManager {
 public:
  FakeFavoriteColorManager() { SetFavoriteColorManager(this); }
  ~FakeFavoriteColorManager() override { SetFavoriteColorManager(nullptr); }
  FakeFavoriteColorManager(const FakeFavoriteColorManager&) = delete;
  FakeFavoriteColorManager& operator=(const FakeFavoriteColorManager&) = delete;

  QList<Kolor> kolors;

  int kolorCount() const override { return int(kolors.size()); }
  Kolor kolorAtIndex(int index) const override {
    return index >= 0 && index < kolors.size() ? kolors[index] : g_nilKolor;
  }
  void addKolor(Kolor kolor, bool atEnd) override {
    if (!IsValidKolor(kolor) || kolor == g_blackKolor || kolor == g_whiteKolor) return;
    kolors.removeAll(kolor);
    if (atEnd) {
      kolors.append(kolor);
    } else {
      kolors.prepend(kolor);
    }
    NotificationCenter::defaultCenter().post(g_favoriteColorNotification);
  }
  void deleteKolor(Kolor kolor) override {
    kolors.removeAll(kolor);
    NotificationCenter::defaultCenter().post(g_favoriteColorNotification);
  }
};
