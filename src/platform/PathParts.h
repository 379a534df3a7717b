#pragma once
// Splitting a path into its folder and last component, as the code that
// places files beside their targets needs it: trailing slashes are ignored
// and a bare name lies in the current folder.

#include <QString>

// The path without the slashes that end it; "/" stays.
QString PathWithoutTrailingSlashes(const QString& path);

// The folder holding the last component: "." for a bare name, "/" for an
// item at the top.
QString ParentFolderOfPath(const QString& path);

// The last component; "" for "/".
QString LastComponentOfPath(const QString& path);
