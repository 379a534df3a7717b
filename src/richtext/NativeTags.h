#pragma once
// The element names of the engine's native documents and their integer keys:
// the document tags take the keys 1000-1087 (1021 and 1078 unused), the
// property field tags 1088-1223 (1182 unused), 221 tags in all. The engine
// keeps its own key table, which each native reader is given (the
// class-wide table holds the drawing's keys), and the reverse table from a
// field key to its tag.

#include <QString>
#include <cstdint>

#include "support/CSXmlDecoder.h"

enum NativeTagKey : int32_t {
  kTagAscent = 1000,
  kTagBase = 1001,
  kTagBin = 1002,
  kTagChar = 1003,
  kTagClass = 1004,
  kTagCp = 1005,
  kTagDiv = 1007,
  kTagDocprop = 1008,
  kTagItem = 1013,
  kTagFonts = 1015,
  kTagFormat = 1017,
  kTagKink = 1022,
  kTagK0 = 1023,
  kTagK1 = 1024,
  kTagKnots = 1025,
  kTagKnot = 1026,
  kTagLength = 1027,
  kTagLev = 1028,
  kTagMagic = 1031,
  kTagName = 1034,
  kTagNext = 1035,
  kTagNormalChapter = 1036,
  kTagNormalFrame = 1037,
  kTagNormalList = 1038,
  kTagNormalTable = 1039,
  kTagNo = 1040,
  kTagPage = 1041,
  kTagPanes = 1042,
  kTagPane = 1043,
  kTagPara = 1044,
  kTagSource = 1047,
  kTagImages = 1048,
  kTagProperties = 1053,
  kTagProp = 1054,
  kTagRun = 1056,
  kTagShowPage = 1065,
  kTagStructure = 1069,
  kTagStyles = 1070,
  kTagText = 1073,
  kTagType = 1074,
  kTagCorvane = 1075,
  kTagValue = 1076,
  kTagVer = 1077,
  kTagZoom = 1087,
};

constexpr int32_t kFirstNativeTagKey = 1000;
constexpr int32_t kLastNativeTagKey = 1223;
constexpr int kNativeTagCount = 221;

// Makes the engine's key table and the reverse table (once); InitCorvane
// calls it. Answers the key table, which readers of native documents are
// given with setKeyDecoder.
const CSXmlKeyTable& CreateCorvaneXmlDecoder();
const CSXmlKeyTable& CorvaneKeyTable();
// The tag of any key 1000-1223; null for an unused or foreign key.
QString NativeTagForKey(int32_t key);
// The field tag of a key from 1088 on, or null.
QString TagFromKey(int32_t key);

// The names the native format gives knot types, kinks, dividers, variable
// kinds, vertical alignments and property types, by their numbers.
inline constexpr const char* kKnotTypeNames[] = {"",     "autonum", "bookmark", "chapter", "checkbox", "divider",
                                                 "link", "list",    "note",     "pic",     "short",    "table",
                                                 "row",  "tag",     "toc",      "toce",    "var"};
inline constexpr const char* kKinkNames[] = {"-", "beg", "mid", "end"};
inline constexpr const char* kDividerNames[] = {"asterisk", "2diamond",   "diamond", "diamondLine",
                                                "square",   "squareLine", "circle",  "circleLine",
                                                "pyramid",  "plainLine",  "theEnd"};
inline constexpr const char* kVariableNames[] = {
    "bookref",   "chapname",  "chapno", "chapno1",  "date",  "docname", "endref",      "link",
    "pagecount", "wordcount", "pageno", "bookpage", "picno", "time",    "bookrefpage", "linkpage"};
inline constexpr const char* kAlignNames[] = {"vatop", "vabottom", "vacenter", "vafull"};
inline constexpr const char* kPropertyTypeNames[] = {"char", "para", "chap",   "frame", "table",
                                                     "list", "",     "border", "doc"};
