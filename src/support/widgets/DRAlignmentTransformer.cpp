#include "support/widgets/DRAlignmentTransformer.h"

#include "support/NumberText.h"

int64_t ModelToViewAlignment(int64_t code) {
  switch (code) {
    case 1:
      return 3;
    case 2:
      return 1;
    case 3:
      return 2;
    default:
      return 0;
  }
}

int64_t ViewToModelAlignment(int64_t index) {
  switch (index) {
    case -1:
      return -1;
    case 1:
      return 2;
    case 2:
      return 3;
    case 3:
      return 1;
    default:
      return 0;
  }
}

QVariant DRAlignmentTransformer::transformedValue(const QVariant& code) const {
  return QVariant(qlonglong(ModelToViewAlignment(VariantLongLongValue(code))));
}

QVariant DRAlignmentTransformer::reverseTransformedValue(const QVariant& index) const {
  return QVariant(qlonglong(ViewToModelAlignment(VariantLongLongValue(index))));
}
