#pragma once
// The engine's switches: one process-wide record that turns optional
// behaviours of the core on or off. Everything starts at zero; the help
// window's class initialiser is its only writer.

#include <cstdint>

struct CorvaneConfig {
  uint8_t exportHtml = 0;              // a text copy also offers HTML
  uint8_t fixedPictureZoom = 0;        // new picture knots get zoom 1,000, not 16,383
  uint8_t richFormats = 0;             // copies offer RTF(D); file types accept RTF, OPML, HTML
  uint8_t smartQuotes = 0;             // typographic quotes when typing and finding
  uint8_t smartSpacing = 0;            // spaces adjusted around word-wise edits
  uint8_t beepOnFindFailure = 0;       // a find that finds nothing beeps
  uint8_t tripleClickSentence = 0;     // a triple click selects a sentence
  uint8_t enterShowsSelection = 0;     // keypad Enter scrolls the selection into view
  uint8_t openFileLinks = 0;           // a clicked file link is opened, not revealed
  uint8_t anchoredKeySelection = 0;    // keyboard moves start from the anchor
  uint8_t helpMode = 0;                // dark-appearance colours for lines and rows
  uint8_t wideCaret = 0;               // caret 3.0 wide instead of 1.0
  uint8_t selectionMarks = 0;          // line breaks inside the selection get a mark
  uint8_t extraSpacingEverywhere = 0;  // the band above the first line in every document
  float extraLineSpacing = 0;          // points above the first display line, over the zoom
  uint16_t invisibleMark = 0;          // the grey character drawn for an invisible character
  uint32_t steadyCaret = 0;            // the blink only turns a shown caret off

  bool operator==(const CorvaneConfig&) const = default;
};

extern CorvaneConfig g_corvaneConfig;

// The help window's class initialiser: help mode on and a 6-point band
// above the first line; nothing else changes.
void ConfigureCorvaneForHelp();
