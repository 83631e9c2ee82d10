// The PNG codec's message texts.
#pragma once

#include <QString>

namespace pngmessages {

inline const QString EPNGInvalidCRCText = QStringLiteral(
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of data (crc error)");
inline const QString EPNGInvalidIHDRText = QStringLiteral(
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of data (ihdr) might "
    "be corrupted");
inline const QString EPNGMissingMultipleIDATText =
    QStringLiteral("This \"Portable Network Graphics\" image is invalid because it has missing image parts.");
inline const QString EPNGZLIBErrorText =
    QStringLiteral("Could not decompress the image because it contains invalid compressed data.\r\n Description: ");
inline const QString EPNGInvalidPaletteText =
    QStringLiteral("The \"Portable Network Graphics\" image contains an invalid palette.");
inline const QString EPNGInvalidFileHeaderText = QStringLiteral(
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains an invalid "
    "header. This file may be corruped, try obtaining it again.");
inline const QString EPNGIHDRNotFirstText = QStringLiteral(
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR chunk is not the "
    "first)");
inline const QString EPNGSizeExceedsText = QStringLiteral(
    "This \"Portable Network Graphics\" image is not supported because either it's width or height exceeds the "
    "maximum size, which is 65535 pixels length.");
inline const QString EPNGUnknownPalEntryText = QStringLiteral("There is no such palette entry.");
inline const QString EPNGUnknownCriticalChunkText = QStringLiteral(
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not be decoded.");
inline const QString EPNGUnknownCompressionText = QStringLiteral(
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which could not be "
    "decoded.");
inline const QString EPNGUnknownInterlaceText = QStringLiteral(
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be decoded.");
inline const QString EPNGCannotAssignChunkText = QStringLiteral("The chunks must be compatible to be assigned.");
inline const QString EPNGUnexpectedEndText = QStringLiteral(
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected end of the file.");
inline const QString EPNGNoImageDataText = QStringLiteral("This \"Portable Network Graphics\" image contains no data.");
inline const QString EPNGCannotChangeSizeText = QStringLiteral(
    "The \"Portable Network Graphics\" image can not be resize by changing width and height properties. Try "
    "assigning the image from a bitmap.");
inline const QString EPNGOutMemoryText = QStringLiteral(
    "Some operation could not be performed because the system is out of resources. Close some windows and try "
    "again.");
inline const QString EPNGHeaderNotPresentText =
    QStringLiteral("This operation is not valid because the current image contains no valid header.");
// Compressing failed while writing; the message is followed by zlib's text.
inline const QString EPNGZLIBCompressText = QStringLiteral("Could not compress the image data.\r\n Description: ");

}  // namespace pngmessages
