#pragma once
// What the support library asks of the application object. The shell
// implements it and hands it to the kernel at start-up; the library reaches
// it through CSKernel::appDelegate() and falls back on the defaults below
// when no delegate was given.

#include <QString>

class CSAppDelegate {
 public:
  virtual ~CSAppDelegate() = default;

  // The user's distance unit (0-9); 0 (points) when the application keeps none.
  virtual int currentDistanceUnit() const { return 0; }
  // Adds a saved file to the recently used documents.
  virtual void recordRecentFile(const QString& path) { (void)path; }
};
