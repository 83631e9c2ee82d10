#include "platform/Exceptions.h"

EFOpenError::EFOpenError(const QString& fileName, const QString& reason)
    : EStreamError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason)) {}

EFCreateError::EFCreateError(const QString& fileName, const QString& reason)
    : EStreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason)) {}
