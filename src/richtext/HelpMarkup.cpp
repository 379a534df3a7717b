#include "richtext/HelpMarkup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>
#include <map>
#include <vector>

#include "richtext/Bookmarks.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/Pictures.h"
#include "richtext/Lists.h"
#include "richtext/Styles.h"
#include "richtext/Variables.h"
#include "support/CSCore.h"
#include "support/CSImage.h"
#include "support/DynamicArrays.h"
#include "support/ImageFormat.h"

const QString g_helpFontName = QStringLiteral("DejaVu Sans");

QString HelpMarkupError::text() const {
  if (line > 0) return QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message);
  if (!file.isEmpty()) return QStringLiteral("%1: %2").arg(file, message);
  return message;
}

namespace {

// The most a help file may hold; the help is a few hundred kilobytes.
constexpr qsizetype kMaxHelpFileBytes = 4 * 1024 * 1024;
constexpr qsizetype kMaxHelpPictureBytes = 16 * 1024 * 1024;
// Keeps the whole document far below the engine's text limit.
constexpr qsizetype kMaxHelpTextUnits = 50 * 1000 * 1000;

constexpr int64_t kPoint = kMeasurePerPoint;
constexpr int16_t kTitleSize = 18 * 4;  // quarter points
constexpr int16_t kHeadingSize = 14 * 4;
// A picture knot's "fill" alignment and its zoom of 100 %.
constexpr uint32_t kPictureAlignment = 3;
constexpr uint16_t kPictureZoom = 1000;

// ---- The parsed markup -------------------------------------------------------

enum class PieceKind { kText, kReference, kLink };

struct Piece {
  PieceKind kind = PieceKind::kText;
  QString text;    // the text shown
  QString target;  // a bookmark's name or a web address
  bool bold = false;
  bool italic = false;
};

enum class BlockKind { kParagraph, kHeading, kBullet, kStep, kPicture };

struct Block {
  BlockKind kind = BlockKind::kParagraph;
  int line = 0;
  QList<Piece> pieces;
  QString picture;
  QStringList bookmarks;  // placed at the block's start
};

struct Chapter {
  int number = 0;
  int level = 0;  // 0 top, 1 sub, 2 third
  QString title;
  QString file;
  QList<Block> blocks;
};

struct Reference {
  QString name;
  QString shown;
  QString file;
  int line = 0;
};

struct Place {
  QString file;
  int line = 0;
};

bool IsBookmarkName(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^[a-z0-9-]+$"));
  return pattern.match(name).hasMatch();
}

bool IsEscapable(QChar c) {
  return c == u'*' || c == u'_' || c == u'[' || c == u'{' || c == u'\\';
}

// Reads one file's lines into a chapter; collects references and bookmarks
// for the checks across files.
class FileParser {
 public:
  FileParser(const QString& file, HelpMarkupError* error, std::map<QString, Place>* bookmarks,
             std::vector<Reference>* references)
      : m_file(file), m_error(error), m_bookmarks(bookmarks), m_references(references) {}

  bool parse(const QByteArray& data, Chapter* chapter) {
    m_chapter = chapter;
    chapter->file = m_file;
    if (data.size() > kMaxHelpFileBytes) return fail(0, QStringLiteral("the file is too large"));
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    const QList<QByteArray> rawLines = bytes.split('\n');
    QStringList lines;
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
      QByteArray raw = rawLines[i];
      if (raw.endsWith('\r')) raw.chop(1);
      QStringDecoder decoder(QStringDecoder::Utf8);
      const QString line = decoder(raw);
      if (decoder.hasError()) return fail(int(i + 1), QStringLiteral("the line is not UTF-8"));
      lines.append(line);
    }
    if (!parseHeader(lines.value(0))) return false;
    for (qsizetype i = 1; i < lines.size(); ++i)
      if (!parseLine(lines[i], int(i + 1))) return false;
    if (!closeBlock()) return false;
    if (chapter->blocks.isEmpty()) return fail(1, QStringLiteral("the chapter is empty"));
    if (!m_pending.isEmpty())
      return fail(m_pendingLine,
                  QStringLiteral("@bookmark %1 marks nothing: no paragraph follows it").arg(m_pending.last()));
    return true;
  }

 private:
  bool fail(int line, const QString& message) {
    if (m_error) *m_error = HelpMarkupError{m_file, line, message};
    return false;
  }

  // Characters the engine gives a meaning of their own, and placeholders.
  bool checkText(const QString& line, int number) {
    for (const QChar c : line)
      if (c.unicode() < 0x20 || c.unicode() == 0x7F)
        return fail(number, QStringLiteral("a control character (U+%1)").arg(int(c.unicode()), 4, 16, QChar(u'0')));
    static const QRegularExpression placeholder(QStringLiteral("(?<![\\w])(todo|tbd|lorem)(?![\\w])"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = placeholder.match(line);
    if (match.hasMatch()) return fail(number, QStringLiteral("placeholder text \"%1\"").arg(match.captured(1)));
    return true;
  }

  bool parseHeader(const QString& line) {
    if (!checkText(line, 1)) return false;
    static const QRegularExpression header(QStringLiteral("^@chapter\\s+(\\d{1,3})\\s+(top|sub|third)\\s+(\\S.*)$"));
    const QRegularExpressionMatch match = header.match(line);
    if (!match.hasMatch())
      return fail(1, QStringLiteral("the first line must be \"@chapter NN top|sub|third Title\""));
    m_chapter->number = match.captured(1).toInt();
    const QString level = match.captured(2);
    m_chapter->level = level == QLatin1String("top") ? 0 : level == QLatin1String("sub") ? 1 : 2;
    m_chapter->title = match.captured(3).trimmed();
    static const QRegularExpression fileName(QStringLiteral("^(\\d{1,3})-[a-z0-9-]+\\.help$"));
    const QRegularExpressionMatch nameMatch = fileName.match(m_file);
    if (!nameMatch.hasMatch()) return fail(1, QStringLiteral("the file name must be NN-slug.help"));
    if (nameMatch.captured(1).toInt() != m_chapter->number)
      return fail(1, QStringLiteral("chapter %1 in a file numbered %2").arg(match.captured(1), nameMatch.captured(1)));
    return true;
  }

  bool parseLine(QString line, int number) {
    while (!line.isEmpty() && line.back().isSpace()) line.chop(1);
    if (!checkText(line, number)) return false;
    if (line.trimmed().isEmpty()) return closeBlock();
    if (line.startsWith(u'@')) {
      if (!closeBlock()) return false;
      return parseDirective(line, number);
    }
    if (line.startsWith(u'#')) {
      if (!line.startsWith(QLatin1String("# ")) || line.mid(2).trimmed().isEmpty())
        return fail(number, QStringLiteral("a heading is \"# \" and its text"));
      return addLineBlock(BlockKind::kHeading, line.mid(2).trimmed(), number);
    }
    if (line.startsWith(QLatin1String("- ")) && !line.mid(2).trimmed().isEmpty())
      return addLineBlock(BlockKind::kBullet, line.mid(2).trimmed(), number);
    static const QRegularExpression step(QStringLiteral("^\\d+\\.\\s+(\\S.*)$"));
    const QRegularExpressionMatch stepMatch = step.match(line);
    if (stepMatch.hasMatch()) return addLineBlock(BlockKind::kStep, stepMatch.captured(1), number);

    // A plain line: a new paragraph, or joined to the open one by a space.
    if (m_open) {
      appendText(QStringLiteral(" "));
    } else {
      startBlock(BlockKind::kParagraph, number);
      m_open = true;
    }
    return parseInline(line.trimmed(), number);
  }

  bool parseDirective(const QString& line, int number) {
    const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    const QString& directive = words.first();
    if (directive == QLatin1String("@bookmark")) {
      if (words.size() != 2 || !IsBookmarkName(words[1]))
        return fail(number, QStringLiteral("a bookmark is \"@bookmark name\", the name of a-z, 0-9 and -"));
      const auto [at, added] = m_bookmarks->emplace(words[1], Place{m_file, number});
      if (!added)
        return fail(number, QStringLiteral("bookmark %1 is already set at %2:%3").arg(words[1], at->second.file).arg(at->second.line));
      m_pending.append(words[1]);
      m_pendingLine = number;
      return true;
    }
    if (directive == QLatin1String("@picture")) {
      const QString name = words.size() == 2 ? words[1] : QString();
      static const QRegularExpression file(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]*\\.png$"),
                                           QRegularExpression::CaseInsensitiveOption);
      if (!file.match(name).hasMatch() || name.contains(QLatin1String("..")))
        return fail(number, QStringLiteral("a picture is \"@picture file.png\", a file of the pictures folder"));
      startBlock(BlockKind::kPicture, number);
      m_chapter->blocks.back().picture = name;
      return true;
    }
    return fail(number, QStringLiteral("unknown directive %1").arg(directive));
  }

  void startBlock(BlockKind kind, int number) {
    Block block;
    block.kind = kind;
    block.line = number;
    block.bookmarks = m_pending;
    m_pending.clear();
    m_chapter->blocks.append(block);
  }

  // A heading, bullet or step: one line, its emphasis closed within it.
  bool addLineBlock(BlockKind kind, const QString& text, int number) {
    if (!closeBlock()) return false;
    startBlock(kind, number);
    return parseInline(text, number) && closeEmphasis();
  }

  bool closeBlock() {
    if (!m_open) return true;
    m_open = false;
    return closeEmphasis();
  }

  bool closeEmphasis() {
    if (m_bold) return fail(m_boldLine, QStringLiteral("* opens bold text that is never closed"));
    if (m_italic) return fail(m_italicLine, QStringLiteral("_ opens italic text that is never closed"));
    return true;
  }

  QList<Piece>& pieces() { return m_chapter->blocks.back().pieces; }

  void appendText(const QString& text) {
    QList<Piece>& list = pieces();
    if (!list.isEmpty() && list.back().kind == PieceKind::kText && list.back().bold == m_bold &&
        list.back().italic == m_italic) {
      list.back().text += text;
      return;
    }
    Piece piece;
    piece.text = text;
    piece.bold = m_bold;
    piece.italic = m_italic;
    list.append(piece);
  }

  // Takes the escapes out of a stretch that holds no other markup.
  bool unescape(const QString& raw, int number, QString* out) {
    out->clear();
    for (qsizetype i = 0; i < raw.size(); ++i) {
      if (raw[i] != u'\\') {
        out->append(raw[i]);
        continue;
      }
      if (i + 1 >= raw.size() || !IsEscapable(raw[i + 1]))
        return fail(number, QStringLiteral("unknown escape \\%1").arg(i + 1 < raw.size() ? raw.mid(i + 1, 1) : QString()));
      out->append(raw[++i]);
    }
    return true;
  }

  bool parseInline(const QString& line, int number) {
    QString run;
    auto flush = [&] {
      if (!run.isEmpty()) appendText(run);
      run.clear();
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
      const QChar c = line[i];
      if (c == u'\\') {
        if (i + 1 >= line.size() || !IsEscapable(line[i + 1]))
          return fail(number, QStringLiteral("unknown escape \\%1").arg(line.mid(i + 1, 1)));
        run.append(line[++i]);
      } else if (c == u'*' || c == u'_') {
        flush();
        bool& on = c == u'*' ? m_bold : m_italic;
        on = !on;
        (c == u'*' ? m_boldLine : m_italicLine) = number;
      } else if (c == u'{') {
        const qsizetype close = line.indexOf(u'}', i + 1);
        if (close < 0) return fail(number, QStringLiteral("{ opens a key chord that is never closed"));
        const QString raw = line.mid(i + 1, close - i - 1);
        if (raw.trimmed().isEmpty() || raw.contains(u'{'))
          return fail(number, QStringLiteral("a key chord is {Keys}, such as {Ctrl+Shift+Z}"));
        QString chord;
        if (!unescape(raw, number, &chord)) return false;
        run.append(chord);
        i = close;
      } else if (c == u'[' && i + 1 < line.size() && line[i + 1] == u'[') {
        flush();
        const qsizetype close = line.indexOf(QLatin1String("]]"), i + 2);
        if (close < 0) return fail(number, QStringLiteral("[[ opens a reference that is never closed"));
        if (!parseReference(line.mid(i + 2, close - i - 2), number)) return false;
        i = close + 1;
      } else {
        run.append(c);
      }
    }
    flush();
    return true;
  }

  bool parseReference(const QString& inner, int number) {
    const qsizetype bar = inner.indexOf(u'|');
    if (bar < 0) return fail(number, QStringLiteral("a reference is [[target|text shown]]"));
    const QString target = inner.left(bar).trimmed();
    QString shown;
    if (!unescape(inner.mid(bar + 1), number, &shown)) return false;
    shown = shown.trimmed();
    if (shown.isEmpty()) return fail(number, QStringLiteral("a reference shows no text"));
    Piece piece;
    piece.text = shown;
    piece.bold = m_bold;
    piece.italic = m_italic;
    if (target.startsWith(QLatin1String("see:"))) {
      piece.kind = PieceKind::kReference;
      piece.target = target.mid(4);
      if (!IsBookmarkName(piece.target))
        return fail(number, QStringLiteral("a reference names a bookmark of a-z, 0-9 and -: \"%1\"").arg(piece.target));
      m_references->push_back(Reference{piece.target, shown, m_file, number});
    } else if (target.startsWith(QLatin1String("https://"))) {
      const QUrl url(target, QUrl::StrictMode);
      if (!url.isValid() || url.host().isEmpty() || target.contains(u' '))
        return fail(number, QStringLiteral("not a web address: %1").arg(target));
      piece.kind = PieceKind::kLink;
      piece.target = target;
    } else if (target.contains(u':')) {
      return fail(number, QStringLiteral("only https links are allowed: %1").arg(target));
    } else {
      return fail(number, QStringLiteral("unknown reference \"%1\": use see:name or an https address").arg(target));
    }
    pieces().append(piece);
    return true;
  }

  QString m_file;
  HelpMarkupError* m_error;
  std::map<QString, Place>* m_bookmarks;
  std::vector<Reference>* m_references;
  Chapter* m_chapter = nullptr;
  QStringList m_pending;
  int m_pendingLine = 0;
  bool m_open = false;  // a plain paragraph takes further lines
  bool m_bold = false, m_italic = false;
  int m_boldLine = 0, m_italicLine = 0;
};

// ---- Laying the document down ------------------------------------------------

enum class TextRole { kBody, kTitle, kHeading, kItem };

class DocumentWriter {
 public:
  DocumentWriter(CorvaneDoc* doc, const QString& pictureFolder, HelpMarkupError* error)
      : m_doc(doc), m_pictureFolder(pictureFolder), m_error(error) {}

  bool write(const std::vector<Chapter>& chapters, const std::vector<Reference>& references) {
    setUpRecords();
    assignBookmarks(chapters, references);
    for (const Chapter& chapter : chapters)
      if (!writeChapter(chapter)) return false;
    // The closing paragraph mark.
    setPara(m_bodyPara);
    setChar(m_normalChar);
    m_text += QChar(kParagraphMark);
    if (m_text.size() > kMaxHelpTextUnits) return fail({}, 0, QStringLiteral("the help is too long"));
    return install();
  }

 private:
  bool fail(const QString& file, int line, const QString& message) {
    if (m_error) *m_error = HelpMarkupError{file, line, message};
    return false;
  }

  uint32_t cp() const { return uint32_t(m_text.size()); }

  void setUpRecords() {
    StyleEntry normal;
    FetchDynamicStringArrayEntry(m_doc->styles, 0, &normal);
    // Every character record descends from Normal's: its face is the help's.
    if (Properties* chars = PropertiesAtIndex(m_doc, normal.charProps)) {
      chars->body.charProps.font = IndexOfFont(g_helpFontName);
      InvalidatePropertyIndex(m_doc);
      m_doc->cachedCharIndex = kNoPropertyIndex;
    }
    m_normalChar = normal.charProps;
    m_normalPara = normal.props;
    m_bodyPara = paraRecord(0, 6 * kPoint, false);
    m_titlePara = paraRecord(0, 10 * kPoint, true);
    m_headingPara = paraRecord(8 * kPoint, 4 * kPoint, true);
    m_itemPara = paraRecord(0, 3 * kPoint, false);
    // List items take the first list level's style, which gives them the
    // list's hanging indent.
    const uint32_t listStyle = StyleIndexForStyleId(m_doc, kFirstListStyleId, true, false);
    if (Properties* item = PropertiesAtIndex(m_doc, m_itemPara); item && listStyle <= UINT16_MAX) {
      Properties record = *item;
      record.ownIndex = kNoPropertyIndex;
      record.body.para.style = uint16_t(listStyle);
      m_itemPara = IndexForProperties(m_doc, &record);
    }

    Properties bullets = *PropertiesAtIndex(m_doc, m_doc->normalListIndex);
    bullets.body.list.mark[0] = ListMarker{1, 0, 0x2022, 0};
    m_bulletList = IndexForProperties(m_doc, &bullets);
    Properties steps = bullets;
    steps.body.list.mark[0] = ListMarker{3, 0, 0, u'.'};
    m_stepList = IndexForProperties(m_doc, &steps);
  }

  uint32_t paraRecord(int64_t before, int64_t after, bool keepWithNext) {
    Properties record = *PropertiesAtIndex(m_doc, m_normalPara);
    record.ownIndex = kNoPropertyIndex;
    record.body.para.before = before;
    record.body.para.after = after;
    record.body.para.keepnext = keepWithNext ? 1 : 0;
    return IndexForProperties(m_doc, &record);
  }

  uint32_t charRecord(TextRole role, bool bold, bool italic) {
    const int key = int(role) * 4 + (bold ? 2 : 0) + (italic ? 1 : 0);
    const auto found = m_charRecords.constFind(key);
    if (found != m_charRecords.constEnd()) return *found;
    Properties record = *PropertiesAtIndex(m_doc, m_normalChar);
    record.ownIndex = kNoPropertyIndex;
    CharProps& chars = record.body.charProps;
    if (role == TextRole::kTitle || role == TextRole::kHeading) {
      chars.bold = 1;
      chars.size = role == TextRole::kTitle ? kTitleSize : kHeadingSize;
    }
    if (bold) chars.bold = 1;
    if (italic) chars.italic = 1;
    const uint32_t index = IndexForProperties(m_doc, &record);
    m_charRecords.insert(key, index);
    return index;
  }

  // The shown text of a web link takes the builtin "link" style.
  uint32_t linkRecord() {
    if (m_linkChar != kNoPropertyIndex) return m_linkChar;
    const uint32_t style = StyleIndexForStyleId(m_doc, 6, true, false);
    Properties record;
    if (style == kNoPropertyIndex || !GetStyleProps(m_doc, style, kCharProperties, &record, nullptr))
      return m_linkChar = m_normalChar;
    record.ownIndex = kNoPropertyIndex;
    return m_linkChar = IndexForProperties(m_doc, &record);
  }

  // Runs start where the record changes; a run that covers nothing yet is
  // replaced.
  static void setRun(std::vector<std::pair<uint32_t, uint32_t>>& runs, uint32_t cp, uint32_t index) {
    if (!runs.empty() && runs.back().first == cp) runs.pop_back();
    if (!runs.empty() && runs.back().second == index) return;
    runs.emplace_back(cp, index);
  }
  void setChar(uint32_t index) { setRun(m_charRuns, cp(), index); }
  void setPara(uint32_t index) { setRun(m_paraRuns, cp(), index); }

  void addMark(uint32_t type, uint32_t role, char16_t mark, uint32_t props = kNoPropertyIndex, uint32_t word1 = 0,
               uint32_t word2 = 0, uint16_t word3 = 0) {
    KnotEntry entry;
    entry.type = type;
    entry.role = role;
    entry.props = props;
    entry.word1 = word1;
    entry.word2 = word2;
    entry.word3 = word3;
    m_knots.emplace_back(cp(), entry);
    m_text += QChar(mark);
  }

  // Each bookmark gets one bookmark knot for every text its references show
  // (a bookmark reference shows the shown name of its bookmark), all at
  // its place; the first keeps the bookmark's name as its GUID. Indexes
  // follow the document's order, which is the order IdentifyBookmarks gives
  // their GUID entries when the document is read.
  void assignBookmarks(const std::vector<Chapter>& chapters, const std::vector<Reference>& references) {
    for (const Reference& reference : references) {
      QStringList& shown = m_shownTexts[reference.name];
      if (!shown.contains(reference.shown)) shown.append(reference.shown);
    }
    uint32_t index = 0;
    for (const Chapter& chapter : chapters)
      for (const Block& block : chapter.blocks)
        for (const QString& name : block.bookmarks)
          for (const QString& shown : shownTexts(name)) m_bookmarkIndexes.insert(name + QChar(0) + shown, index++);
  }

  QStringList shownTexts(const QString& name) const {
    const QStringList texts = m_shownTexts.value(name);
    return texts.isEmpty() ? QStringList{name} : texts;
  }

  bool writeChapter(const Chapter& chapter) {
    // The chapter knot: its name, then six empty header and footer
    // paragraphs between middle marks.
    setPara(m_normalPara);
    setChar(m_normalChar);
    addMark(kKnotChapter, kKinkBegin, kKnotMark0, m_doc->firstChapterIndex);
    m_text += QString(chapter.level, QChar(u'\t')) + chapter.title;
    addMark(kKnotChapter, kKinkMiddle, kKnotMark1);
    for (int i = 0; i < 6; ++i) {
      m_text += QChar(kParagraphMark);
      addMark(kKnotChapter, i == 5 ? kKinkEnd : kKinkMiddle, kKnotMark1);
    }

    setPara(m_titlePara);
    setChar(charRecord(TextRole::kTitle, false, false));
    m_text += chapter.title + QChar(kParagraphMark);

    BlockKind openList = BlockKind::kParagraph;
    for (const Block& block : chapter.blocks) {
      const bool item = block.kind == BlockKind::kBullet || block.kind == BlockKind::kStep;
      if (openList != BlockKind::kParagraph && block.kind != openList) {
        closeList();
        openList = BlockKind::kParagraph;
      }
      const TextRole role = block.kind == BlockKind::kHeading ? TextRole::kHeading
                            : item                            ? TextRole::kItem
                                                              : TextRole::kBody;
      setPara(block.kind == BlockKind::kHeading ? m_headingPara : item ? m_itemPara : m_bodyPara);
      setChar(charRecord(role, false, false));
      if (item && openList == BlockKind::kParagraph) {
        addMark(kKnotList, kKinkBegin, kKnotMark0, block.kind == BlockKind::kStep ? m_stepList : m_bulletList);
        openList = block.kind;
      }
      writeBookmarks(block);
      if (block.kind == BlockKind::kPicture) {
        uint32_t picture = 0;
        if (!loadPicture(chapter.file, block, &picture)) return false;
        addMark(kKnotPicture, kKinkSingle, kKnotMark0, kNoPropertyIndex, picture, kPictureAlignment, kPictureZoom);
      }
      for (const Piece& piece : block.pieces) writePiece(piece, role);
      m_text += QChar(kParagraphMark);
    }
    if (openList != BlockKind::kParagraph) closeList();
    return true;
  }

  // The list's end mark is a paragraph of its own.
  void closeList() {
    setPara(m_bodyPara);
    setChar(m_normalChar);
    addMark(kKnotList, kKinkEnd, kKnotMark1);
  }

  void writeBookmarks(const Block& block) {
    for (const QString& name : block.bookmarks) {
      const QStringList texts = shownTexts(name);
      for (qsizetype i = 0; i < texts.size(); ++i) {
        addMark(kKnotBookmark, kKinkBegin, kKnotMark0);
        m_text += i == 0 ? name : name + QStringLiteral("#%1").arg(i + 1);
        addMark(kKnotBookmark, kKinkMiddle, kKnotMark0);
        m_text += texts[i];
        addMark(kKnotBookmark, kKinkEnd, kKnotMark0);
      }
    }
  }

  void writePiece(const Piece& piece, TextRole role) {
    switch (piece.kind) {
      case PieceKind::kText:
        setChar(charRecord(role, piece.bold, piece.italic));
        m_text += piece.text;
        break;
      case PieceKind::kReference:
        setChar(charRecord(role, piece.bold, piece.italic));
        addMark(kKnotVariable, kKinkSingle, kKnotMark0, kNoPropertyIndex, kVariableBookmarkRef,
                m_bookmarkIndexes.value(piece.target + QChar(0) + piece.text, kNoBookmark));
        break;
      case PieceKind::kLink:
        setChar(linkRecord());
        addMark(kKnotLink, kKinkBegin, kKnotMark0);
        m_text += piece.target;
        addMark(kKnotLink, kKinkMiddle, kKnotMark0);
        m_text += piece.text;
        addMark(kKnotLink, kKinkEnd, kKnotMark0);
        break;
    }
  }

  // The picture's own file stays its source, so that the package holds
  // the PNG's bytes as they are.
  bool loadPicture(const QString& file, const Block& block, uint32_t* index) {
    const auto known = m_pictures.constFind(block.picture);
    if (known != m_pictures.constEnd()) {
      *index = *known;
      return true;
    }
    const QString path = QFileInfo(QDir(m_pictureFolder).filePath(block.picture)).absoluteFilePath();
    QFile source(path);
    if (!source.exists()) return fail(file, block.line, QStringLiteral("missing picture %1").arg(path));
    if (source.size() > kMaxHelpPictureBytes || !source.open(QIODevice::ReadOnly))
      return fail(file, block.line, QStringLiteral("picture %1 can't be read").arg(path));
    const QByteArray bytes = source.readAll();
    const CSImage image = CSImage::initWithData(bytes);
    if (ImageFormatFromData(bytes) != kImageFormatPNG || image.isNull())
      return fail(file, block.line, QStringLiteral("picture %1 is not a PNG image").arg(path));
    const QString name = QFileInfo(block.picture).completeBaseName();
    *index = StorePicture(m_doc, image, &name);
    PictureEntry* entry = PictureAtIndex(m_doc, *index);
    if (!entry) return fail(file, block.line, QStringLiteral("picture %1 can't be stored").arg(path));
    *entry->fileName = path;
    m_pictures.insert(block.picture, *index);
    return true;
  }

  bool install() {
    CorvaneDoc* doc = m_doc;
    const auto limit = uint32_t(m_text.size());
    auto* units = static_cast<char16_t*>(AllocateMemory(uint64_t(limit) * sizeof(char16_t)));
    if (!units) return fail({}, 0, QStringLiteral("no memory for the help's text"));
    std::copy(m_text.utf16(), m_text.utf16() + limit, units);
    for (uint32_t i = SizeOfDynamicArray(doc->textBuffers); i > 0; --i) {
      TextBuffer buffer;
      FetchDynamicArrayEntry(doc->textBuffers, i - 1, &buffer);
      FreeMemory(buffer.units);
    }
    ClearDynamicArray(doc->textBuffers);
    const TextBuffer buffer{units, limit};
    if (AppendToDynamicArray(doc->textBuffers, &buffer) != 0) {
      FreeMemory(units);
      return fail({}, 0, QStringLiteral("no memory for the help's text"));
    }
    doc->cpLimit = limit;
    doc->textLimit = limit - 1;
    doc->lastBufferSize = limit;
    doc->lastBufferFree = 0;
    ClearDynamicCPArray(doc->pieces, limit);
    bool ok = InsertInDynamicCPArray(doc->pieces, 0, 0, &units);

    ClearArraysForRead(doc);
    ClearDynamicCPArray(doc->charRuns, limit);
    ClearDynamicCPArray(doc->paraRuns, limit);
    for (const auto& [cp, entry] : m_knots) {
      ok = ok && InsertInDynamicCPArray(doc->knots, SizeOfDynamicCPArray(doc->knots), cp, &entry);
      if (CSArrayCP* marks = entry.role == kKinkBegin ? KnotLocationArray(doc, entry.type) : nullptr)
        ok = ok && InsertInDynamicCPArray(marks, SizeOfDynamicCPArray(marks), cp, nullptr);
    }
    for (const auto& [cp, index] : m_charRuns)
      ok = ok && InsertInDynamicCPArray(doc->charRuns, SizeOfDynamicCPArray(doc->charRuns), cp, &index);
    for (const auto& [cp, index] : m_paraRuns)
      ok = ok && InsertInDynamicCPArray(doc->paraRuns, SizeOfDynamicCPArray(doc->paraRuns), cp, &index);
    for (CSArrayCP* array : {doc->pieces, doc->knots, doc->charRuns, doc->paraRuns, doc->chapterMarks,
                             doc->bookmarkMarks, doc->listMarks, doc->tableMarks, doc->proofRuns, doc->findMarks,
                             doc->markArray2, doc->listNumberCache, doc->extraMarks1, doc->extraMarks2})
      if (array) SetMaxCp(array, limit);
    for (Pane& pane : doc->panes)
      if (pane.displayLines) SetMaxCp(pane.displayLines, doc->textLimit);
    ClearTableCache(doc);
    if (!ok) return fail({}, 0, QStringLiteral("no memory for the help's structure"));

    IdentifyBookmarks(doc);
    for (uint32_t i = 0; i < BookmarkCount(doc); ++i)
      if (GuidIndexForBookmarkIndex(doc, i) != i) return fail({}, 0, QStringLiteral("bookmark GUIDs out of order"));
    RebuildStyleList(doc);
    QString reason;
    if (!ValidateDocument(doc, &reason) || !CheckHelpDocumentRules(doc, &reason))
      return fail({}, 0, QStringLiteral("the help document is malformed: %1").arg(reason));
    return true;
  }

  CorvaneDoc* m_doc;
  QString m_pictureFolder;
  HelpMarkupError* m_error;
  QString m_text;
  std::vector<std::pair<uint32_t, KnotEntry>> m_knots;
  std::vector<std::pair<uint32_t, uint32_t>> m_charRuns, m_paraRuns;
  QHash<QString, QStringList> m_shownTexts;
  QHash<QString, uint32_t> m_bookmarkIndexes;  // name, U+0000, shown text
  QHash<QString, uint32_t> m_pictures;
  QHash<int, uint32_t> m_charRecords;
  uint32_t m_normalChar = kNoPropertyIndex, m_normalPara = kNoPropertyIndex, m_linkChar = kNoPropertyIndex;
  uint32_t m_bodyPara = 0, m_titlePara = 0, m_headingPara = 0, m_itemPara = 0;
  uint32_t m_bulletList = 0, m_stepList = 0;
};

// Chapters run 0, 1, 2, ... in their numbers' order.
bool CheckNumbering(std::vector<Chapter>& chapters, HelpMarkupError* error) {
  std::stable_sort(chapters.begin(), chapters.end(),
                   [](const Chapter& a, const Chapter& b) { return a.number < b.number; });
  for (size_t i = 0; i < chapters.size(); ++i) {
    const Chapter& chapter = chapters[i];
    if (i > 0 && chapters[i - 1].number == chapter.number) {
      if (error)
        *error = HelpMarkupError{chapter.file, 1,
                                 QStringLiteral("chapter %1 is also %2").arg(chapter.number).arg(chapters[i - 1].file)};
      return false;
    }
    if (chapter.number != int(i)) {
      if (error)
        *error = HelpMarkupError{chapter.file, 1,
                                 i == 0 ? QStringLiteral("the first chapter must be 00")
                                        : QStringLiteral("chapter %1 follows chapter %2: the chapters between are missing")
                                              .arg(chapter.number)
                                              .arg(chapters[i - 1].number)};
      return false;
    }
  }
  return true;
}

}  // namespace

CorvaneDoc* BuildHelpDocument(const QList<HelpMarkupFile>& files, const QString& pictureFolder,
                              HelpMarkupError* error) {
  if (error) *error = HelpMarkupError{};
  if (files.isEmpty()) {
    if (error) error->message = QStringLiteral("there are no help files");
    return nullptr;
  }
  QList<HelpMarkupFile> ordered = files;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const HelpMarkupFile& a, const HelpMarkupFile& b) { return a.name < b.name; });
  std::map<QString, Place> bookmarks;
  std::vector<Reference> references;
  std::vector<Chapter> chapters;
  for (const HelpMarkupFile& file : ordered) {
    Chapter chapter;
    FileParser parser(file.name, error, &bookmarks, &references);
    if (!parser.parse(file.data, &chapter)) return nullptr;
    chapters.push_back(std::move(chapter));
  }
  if (!CheckNumbering(chapters, error)) return nullptr;
  for (const Reference& reference : references) {
    if (bookmarks.count(reference.name) == 0) {
      if (error)
        *error = HelpMarkupError{reference.file, reference.line,
                                 QStringLiteral("no @bookmark %1 for this reference").arg(reference.name)};
      return nullptr;
    }
  }

  CorvaneDoc* doc = NewCorvaneDoc(kHelpDocument);
  if (!doc) {
    if (error) error->message = QStringLiteral("no memory for the help document");
    return nullptr;
  }
  DocumentWriter writer(doc, pictureFolder, error);
  if (!writer.write(chapters, references)) {
    DestroyDocument(doc);
    return nullptr;
  }
  return doc;
}

CorvaneDoc* BuildHelpDocumentFromFolder(const QString& folder, HelpMarkupError* error) {
  QList<HelpMarkupFile> files;
  const QDir dir(folder);
  for (const QString& name : dir.entryList({QStringLiteral("*.help")}, QDir::Files, QDir::Name)) {
    QFile file(dir.filePath(name));
    if (file.size() > kMaxHelpFileBytes || !file.open(QIODevice::ReadOnly)) {
      if (error) *error = HelpMarkupError{name, 0, QStringLiteral("the file can't be read")};
      return nullptr;
    }
    files.append(HelpMarkupFile{name, file.readAll()});
  }
  return BuildHelpDocument(files, dir.filePath(QStringLiteral("images")), error);
}

bool CheckHelpDocumentRules(CorvaneDoc* doc, QString* reason) {
  if (!doc) return false;
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
    KnotEntry entry;
    const uint32_t cp = FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    QString why;
    if (entry.type == kKnotNone)
      why = QStringLiteral("a mark of no knot type");
    else if (entry.type == kKnotCheckbox)
      why = QStringLiteral("a checkbox");
    else if (entry.type == kKnotVariable && entry.word1 != kVariableBookmarkRef && entry.word1 != kVariableDate &&
             entry.word1 != kVariableLink && entry.word1 != kVariableTime)
      why = QStringLiteral("a variable of kind %1").arg(entry.word1);
    if (!why.isEmpty()) {
      if (reason) *reason = QStringLiteral("%1 at cp %2").arg(why).arg(cp);
      return false;
    }
  }
  return true;
}
