#pragma once
// Windows metafiles (WMF, EMF) read into pictures.
//
// The two C libraries that read them (libwmf, libemf2svg) turn a metafile into SVG, which Qt
// draws. They trust what the file says of its own records, so a file is first walked record
// by record here: a damaged or truncated file is refused before either library sees it.

#include <QByteArray>

#include <optional>

namespace chromaflow {

enum class MetafileFormat { Wmf, Emf };

// Larger files are refused: a sample picture is a few hundred kilobytes at most.
constexpr qsizetype kMetafileMaxBytes = 32 * 1024 * 1024;

// The records form a whole metafile: a header, records that each fit in the file and an end
// record. Says nothing of what the records draw.
bool wmfRecordsHold(const QByteArray& bytes);
bool emfRecordsHold(const QByteArray& bytes);

// The metafile's drawing as an SVG document; nothing when the file is not a metafile the
// libraries can read.
std::optional<QByteArray> metafileSvg(const QByteArray& bytes, MetafileFormat format);

}  // namespace chromaflow
