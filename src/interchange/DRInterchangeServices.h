#pragma once
// The model's file-kind services answered by the interchange layer: the
// importers, the SVG writer and the picture converters. The shell's model
// services derive from this class, so whatever the layer can read or write
// reaches the drawing, its revert and its save.

#include "model/DRModelServices.h"

class DRInterchangeServices : public DRModelServices {
 public:
  // "pict" and "pic" files (any case), and files without an extension whose
  // Finder information gives the type 'PICT'.
  bool isQuickdrawFile(const QString& path) const override;
  // The EMF importer; nullopt after its alert.
  std::optional<DRElementList> loadElementsFromEmfFile(const QString& path) override;
  // The EMF converter: a one-page PDF in the converters' temporary folder.
  CSImage createImageFromEmf(const QByteArray& data, QString* pdfPath) override;
  // The SVG reader; nullopt after its alert.
  std::optional<DRElementList> loadElementsFromSvgFile(const QString& path) override;
  // The SVG writer; the file is replaced in one step or left as it was.
  bool saveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path, CSError* error) override;
  // The QuickDraw converter; the file's data starts with the 512-byte header
  // when `hasHeader`.
  CSImage createImageFromQuickdrawPict(const QByteArray& data, bool hasHeader, QString* pdfPath) override;
  // The largest icon of an icon file stored as an ordinary image.
  CSImage largestIconImage(const QString& path) override;
};

// Installs the hooks the interchange layer offers to the libraries below it
// (the picture converters of the support library). Idempotent; the shell
// calls it once at launch.
void RegisterInterchangeServices();
