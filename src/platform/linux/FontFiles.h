#pragma once

#include <QStringList>

// Where a family is installed both as a plain TrueType/OpenType file and as a compressed web
// font (WOFF, WOFF2), fontconfig may hand out either; FreeType unpacks a compressed one into
// the heap (the symbol font's WOFF2 costs some 0.7 MB), where a plain file is mapped.

// The files of one family to leave out: its web fonts, when the family has a plain file too.
QStringList compressedDuplicateFontFiles(const QStringList &files);

// The files fontconfig's current configuration lists for `family`.
QStringList fontFilesOf(const QString &family);

// Makes the current fontconfig configuration leave out those files of the given families.
// Must run before the toolkit reads the font list; a family with no plain file stays as it is.
// Finding the files takes the font list; leaving them out builds it again. With `remembered`,
// a file naming the last run's files, those are left out from the start and the list is built
// once, unless the fonts installed have changed since; the file is kept up to date.
void preferPlainFontFiles(const QStringList &families, const QString &remembered = {});
