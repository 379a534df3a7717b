#pragma once
// Text alignment between the model's codes (0 left, 1 right, 2 centre,
// 3 justified) and the text pane's segment order (left, centre, justified,
// right).

#include <QMetaType>
#include <QVariant>
#include <cstdint>

// 0 gives 0, 1 gives 3, 2 gives 1, 3 gives 2; any other code 0.
int64_t ModelToViewAlignment(int64_t code);
// -1 (no segment) gives -1, which the text pane takes as no change; 0 gives
// 0, 1 gives 2, 2 gives 3, 3 gives 1; any other index 0.
int64_t ViewToModelAlignment(int64_t index);

class DRAlignmentTransformer {
 public:
  static QMetaType transformedValueClass() { return QMetaType::fromType<qlonglong>(); }
  static bool allowsReverseTransformation() { return true; }
  QVariant transformedValue(const QVariant& code) const;
  QVariant reverseTransformedValue(const QVariant& index) const;
};
