#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "platform/ExtendedAttributes.h"

TEST(ExtendedAttributes, UserNamespaceRoundTripWithoutFollowingLinks) {
  QTemporaryDir dir;
  const QString file = dir.filePath("a.txt");
  QFile(file).open(QIODevice::WriteOnly);
  int error = 0;
  if (!SetExtendedAttribute(file, "cs.test", QByteArray("v\0w", 3), &error)) {
    ASSERT_EQ(error, ENOTSUP);
    GTEST_SKIP() << "this file system keeps no user attributes";
  }
  QByteArray value;
  ASSERT_TRUE(GetExtendedAttribute(file, "cs.test", &value));
  EXPECT_EQ(value, QByteArray("v\0w", 3));
  EXPECT_EQ(ExtendedAttributeSize(file, "cs.test"), 3);
  EXPECT_EQ(ListExtendedAttributes(file), QStringList{"cs.test"});

  // A link has no user attributes of its own; its target's are not read.
  ASSERT_TRUE(QFile::link(file, dir.filePath("link")));
  EXPECT_FALSE(GetExtendedAttribute(dir.filePath("link"), "cs.test", &value, &error));
  EXPECT_FALSE(SetExtendedAttribute(dir.filePath("link"), "cs.other", "x", &error));

  ASSERT_TRUE(RemoveExtendedAttribute(file, "cs.test"));
  EXPECT_FALSE(GetExtendedAttribute(file, "cs.test", &value, &error));
  EXPECT_EQ(error, ENODATA);
  EXPECT_EQ(ExtendedAttributeSize(file, "cs.test"), -1);
  EXPECT_FALSE(GetExtendedAttribute(dir.filePath("missing"), "cs.test", &value, &error));
  EXPECT_EQ(error, ENOENT);
}
