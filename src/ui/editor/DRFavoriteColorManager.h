#pragma once
// The application's favourite colours as the info bar uses them. The
// inspector's favourite-colour manager registers itself at start-up; until
// then there are no favourites and changes are dropped. Tests use
// FakeFavoriteColorManager (tests/testkit/ui).

#include <QString>

#include "support/Kolor.h"

// "twcs.favoriteColor": posted with no object when the favourites change.
extern const QString g_favoriteColorNotification;

class DRFavoriteColorManager {
 public:
  virtual ~DRFavoriteColorManager() = default;
  virtual int kolorCount() const = 0;
  virtual Kolor kolorAtIndex(int index) const = 0;  // index below kolorCount()
  // At the end or the front; no colour, black and white are refused, an
  // equal favourite is moved instead of added.
  virtual void addKolor(Kolor kolor, bool atEnd) = 0;
  virtual void deleteKolor(Kolor kolor) = 0;
};

// The registered manager, else an empty one that keeps nothing.
DRFavoriteColorManager& FavoriteColorManager();
void SetFavoriteColorManager(DRFavoriteColorManager* manager);  // not owned; null: none
