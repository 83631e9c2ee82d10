// Texts shared by the highlighters and the editor: attribute names, language
// names and open-dialog filters, so that all languages spell them alike.
#pragma once

#include <QString>

namespace SrcEditStrConst {

// Attribute names.
inline const QString AttrNameAsp = QStringLiteral("Asp");
inline const QString AttrNameAttributeName = QStringLiteral("Attribute Name");
inline const QString AttrNameAttributeValue = QStringLiteral("Attribute Value");
inline const QString AttrNameCDATASection = QStringLiteral("CDATA Section");
inline const QString AttrNameComment = QStringLiteral("Comment");
inline const QString AttrNameDataType = QStringLiteral("Data type");
inline const QString AttrNameDefaultPackages = QStringLiteral("Default packages");
inline const QString AttrNameDOCTYPESection = QStringLiteral("DOCTYPE Section");
inline const QString AttrNameElementName = QStringLiteral("Element Name");
inline const QString AttrNameEntityReference = QStringLiteral("Entity Reference");
inline const QString AttrNameEscapeAmpersand = QStringLiteral("Escape ampersand");
inline const QString AttrNameEvent = QStringLiteral("Event");
inline const QString AttrNameException = QStringLiteral("Exception");
inline const QString AttrNameFunction = QStringLiteral("Function");
inline const QString AttrNameIdentifier = QStringLiteral("Identifier");
inline const QString AttrNameInvalidSymbol = QStringLiteral("Invalid symbol");
inline const QString AttrNameKey = QStringLiteral("Key");
inline const QString AttrNameMarker = QStringLiteral("Marker");
inline const QString AttrNameNamespaceAttributeName = QStringLiteral("Namespace Attribute Name");
inline const QString AttrNameNamespaceAttributeValue = QStringLiteral("Namespace Attribute Value");
inline const QString AttrNameNonReservedKeyword = QStringLiteral("Non-reserved keyword");
inline const QString AttrNameNumber = QStringLiteral("Number");
inline const QString AttrNameReservedWordPlSql = QStringLiteral("Reserved word (PL/SQL)");
inline const QString AttrNameProcessingInstruction = QStringLiteral("Processing Instruction");
inline const QString AttrNameReservedWord = QStringLiteral("Reserved word");
inline const QString AttrNameSpace = QStringLiteral("Space");
inline const QString AttrNameSQLPlus = QStringLiteral("SQL*Plus command");
inline const QString AttrNameString = QStringLiteral("String");
inline const QString AttrNameSymbol = QStringLiteral("Symbol");
inline const QString AttrNameTableName = QStringLiteral("Table name");
inline const QString AttrNameText = QStringLiteral("Text");
inline const QString AttrNameUnknownWord = QStringLiteral("Unknown word");
inline const QString AttrNameValue = QStringLiteral("Value");
inline const QString AttrNameVariable = QStringLiteral("Variable");
inline const QString AttrNameWhitespace = QStringLiteral("Whitespace");

// Language names.
inline const QString LangNameHTML = QStringLiteral("HTML document");
inline const QString LangNameVBScript = QStringLiteral("MS VBScript");
inline const QString LangNameSQL = QStringLiteral("SQL");
inline const QString LangNamePHP = QStringLiteral("PHP");
inline const QString LangNameMulti = QStringLiteral("General Multi-Highlighter");
inline const QString LangNameCSS = QStringLiteral("Cascading style sheets");
inline const QString LangNameJScript = QStringLiteral("Javascript");
inline const QString LangNameXML = QStringLiteral("XML document");

// Open-dialog filters.
inline const QString FilterHTML = QStringLiteral("HTML Document (*.htm,*.html)|*.htm;*.html");
inline const QString FilterVBScript = QStringLiteral("VBScript Files (*.vbs)|*.vbs");
inline const QString FilterSQL = QStringLiteral("SQL Files (*.sql)|*.sql");
inline const QString FilterRTF = QStringLiteral("Rich Text Format (*.rtf)|*.rtf");
inline const QString FilterPHP = QStringLiteral("PHP Files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc");
inline const QString FilterCSS = QStringLiteral("Cascading Stylesheets (*.css)|*.css");
inline const QString FilterJScript = QStringLiteral("Javascript Files (*.js)|*.js");
inline const QString FilterXML =
    QStringLiteral("XML Document (*.xml,*.xsd,*.xsl,*.xslt,*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd");

// Other editor texts.
inline const QString TextUntitled = QStringLiteral("Untitled");
inline const QString TextRtfFormat = QStringLiteral("RTF");
inline const QString TextScrollHint = QStringLiteral("%d - %d");
inline const QString TextScrollHintTop = QStringLiteral("Top Line: %d");
inline const QString TextShortcutExists = QStringLiteral("Shortcut already exists");

}  // namespace SrcEditStrConst
