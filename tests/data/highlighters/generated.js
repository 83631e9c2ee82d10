window.onLoad = printNumber;
x = y; // trailing comment with "quotes"
/* a block comment */
for (var i = 0; i <= count; i++) {
}
var s = "text with \"quotes\" inside";
a = b /* inside */ + c;
x = y; // trailing comment with "quotes"
window.onLoad = printNumber;
alert('it\'s');
x = y; // trailing comment with "quotes"
x += 12.5;
a = b /* inside */ + c;
/** doc
  "not a string" here
*/ x = 1;
}
for (var i = 0; i <= count; i++) {
var s = "text with \"quotes\" inside";
var s = "text with \"quotes\" inside";
function printNumber(a, b) {
var s = "text with \"quotes\" inside";
document.write("The number is " + number);
var e = '';
obj.value = null;
/* a block comment */
var s = "text with \"quotes\" inside";
x += 12.5;
var s = "text with \"quotes\" inside";
var a = 1; /* opens
goes on */ var b = "s";
window.onLoad = printNumber;
if (a < b && c >= 10) { return a; }
var path = "C:\\dir\\";
for (var i = 0; i <= count; i++) {
for (var i = 0; i <= count; i++) {
obj.value = null;
x = y; // trailing comment with "quotes"
// a line comment
obj.value = null;
x += 12.5;
document.write("The number is " + number);
var list = [1, 2, 3];
}
if (a < b && c >= 10) { return a; }
var a = 1; /* opens
goes on */ var b = "s";
document.write("The number is " + number);
/* a block comment */
var hex = 0x1F + 0xab;
document.write("The number is " + number);
var s = "text with \"quotes\" inside";
var hex = 0x1F + 0xab;
var total = 1234;
var list = [1, 2, 3];
window.onLoad = printNumber;
function printNumber(a, b) {
var s = "text with \"quotes\" inside";
/*
 * several lines
 */
var total = 1234;
window.onLoad = printNumber;
// a line comment
a = b /* inside */ + c;
function printNumber(a, b) {
var a = 1; /* opens
goes on */ var b = "s";
var path = "C:\\dir\\";
var e = '';
}
}
a = b /* inside */ + c;
obj.value = null;
var a = 1; /* opens
goes on */ var b = "s";
document.write("The number is " + number);
x += 12.5;
var s = "text with \"quotes\" inside";
var hex = 0x1F + 0xab;
var t = 'single ' + 'quoted';
document.write("The number is " + number);
alert('it\'s');
var hex = 0x1F + 0xab;
x = y; // trailing comment with "quotes"
alert('it\'s');
var t = 'single ' + 'quoted';
x += 12.5;
var path = "C:\\dir\\";
// a line comment
function printNumber(a, b) {
obj.value = null;
alert('it\'s');
var list = [1, 2, 3];
x = y; // trailing comment with "quotes"
a = b /* inside */ + c;
function printNumber(a, b) {
var a = 1; /* opens
goes on */ var b = "s";
alert('it\'s');
x += 12.5;
var s = "text with \"quotes\" inside";
var path = "C:\\dir\\";
var a = 1; /* opens
goes on */ var b = "s";
var t = 'single ' + 'quoted';
var list = [1, 2, 3];
for (var i = 0; i <= count; i++) {
document.write("The number is " + number);
var total = 1234;
x = y; // trailing comment with "quotes"
var list = [1, 2, 3];
var total = 1234;
// a line comment
var total = 1234;
var s = "text with \"quotes\" inside";
}
/* a block comment */
a = b /* inside */ + c;
/*
 * several lines
 */
var list = [1, 2, 3];
/* a block comment */
window.onLoad = printNumber;
for (var i = 0; i <= count; i++) {
var a = 1; /* opens
goes on */ var b = "s";
/** doc
  "not a string" here
*/ x = 1;
}
if (a < b && c >= 10) { return a; }
if (a < b && c >= 10) { return a; }
var total = 1234;
document.write("The number is " + number);
window.onLoad = printNumber;
// a line comment
var e = '';
x += 12.5;
x += 12.5;
alert('it\'s');
/*
 * several lines
 */
obj.value = null;
if (a < b && c >= 10) { return a; }
x += 12.5;
var path = "C:\\dir\\";
for (var i = 0; i <= count; i++) {
}
function printNumber(a, b) {
function printNumber(a, b) {
alert('it\'s');
/* a block comment */
var a = 1; /* opens
goes on */ var b = "s";
var t = 'single ' + 'quoted';
x = y; // trailing comment with "quotes"
/* a block comment */
var t = 'single ' + 'quoted';
/*
 * several lines
 */
document.write("The number is " + number);
/* a block comment */
var path = "C:\\dir\\";
var total = 1234;
x += 12.5;
var list = [1, 2, 3];
/* a block comment */
var list = [1, 2, 3];
obj.value = null;
var path = "C:\\dir\\";
alert('it\'s');
a = b /* inside */ + c;
if (a < b && c >= 10) { return a; }
var hex = 0x1F + 0xab;
x = y; // trailing comment with "quotes"
var e = '';
var e = '';
// a line comment
/* a block comment */
var s = "text with \"quotes\" inside";
var s = "text with \"quotes\" inside";
obj.value = null;
x += 12.5;
alert('it\'s');
// a line comment
var a = 1; /* opens
goes on */ var b = "s";
alert('it\'s');
var list = [1, 2, 3];
alert('it\'s');
/** doc
  "not a string" here
*/ x = 1;
document.write("The number is " + number);
x += 12.5;
x += 12.5;
var list = [1, 2, 3];
var s = "text with \"quotes\" inside";
alert('it\'s');
}
function printNumber(a, b) {
window.onLoad = printNumber;
x = y; // trailing comment with "quotes"
document.write("The number is " + number);
var s = "text with \"quotes\" inside";
var hex = 0x1F + 0xab;
a = b /* inside */ + c;
/*
 * several lines
 */
var e = '';
var s = "text with \"quotes\" inside";
var path = "C:\\dir\\";
if (a < b && c >= 10) { return a; }
/*
 * several lines
 */
a = b /* inside */ + c;
var e = '';
if (a < b && c >= 10) { return a; }
alert('it\'s');
if (a < b && c >= 10) { return a; }
// a line comment
var e = '';
var s = "text with \"quotes\" inside";
window.onLoad = printNumber;
var e = '';
}
// a line comment
var e = '';
/* a block comment */
/** doc
  "not a string" here
*/ x = 1;
// a line comment
var t = 'single ' + 'quoted';
x = y; // trailing comment with "quotes"
var total = 1234;
if (a < b && c >= 10) { return a; }
x = y; // trailing comment with "quotes"
for (var i = 0; i <= count; i++) {
var hex = 0x1F + 0xab;
var t = 'single ' + 'quoted';
x = y; // trailing comment with "quotes"
var e = '';
/* a block comment */
document.write("The number is " + number);
var total = 1234;
alert('it\'s');
if (a < b && c >= 10) { return a; }
alert('it\'s');
alert('it\'s');
var a = 1; /* opens
goes on */ var b = "s";
/** doc
  "not a string" here
*/ x = 1;
/*
 * several lines
 */
for (var i = 0; i <= count; i++) {
document.write("The number is " + number);
}
var total = 1234;
// a line comment
x += 12.5;
window.onLoad = printNumber;
var e = '';
window.onLoad = printNumber;
if (a < b && c >= 10) { return a; }
for (var i = 0; i <= count; i++) {
}
document.write("The number is " + number);
x = y; // trailing comment with "quotes"
function printNumber(a, b) {
var t = 'single ' + 'quoted';
/* a block comment */
document.write("The number is " + number);
// a line comment
var total = 1234;
/** doc
  "not a string" here
*/ x = 1;
var path = "C:\\dir\\";
var path = "C:\\dir\\";
var e = '';
var hex = 0x1F + 0xab;
x += 12.5;
var e = '';
var total = 1234;
x += 12.5;
var total = 1234;
alert('it\'s');
var hex = 0x1F + 0xab;
var list = [1, 2, 3];
if (a < b && c >= 10) { return a; }
obj.value = null;
var a = 1; /* opens
goes on */ var b = "s";
var hex = 0x1F + 0xab;
/*
 * several lines
 */
var e = '';
var total = 1234;
var t = 'single ' + 'quoted';
a = b /* inside */ + c;
var a = 1; /* opens
goes on */ var b = "s";
for (var i = 0; i <= count; i++) {
a = b /* inside */ + c;
/* a block comment */
document.write("The number is " + number);
document.write("The number is " + number);
var e = '';
obj.value = null;
x = y; // trailing comment with "quotes"
var path = "C:\\dir\\";
var a = 1; /* opens
goes on */ var b = "s";
document.write("The number is " + number);
var list = [1, 2, 3];
a = b /* inside */ + c;
/* a block comment */
alert('it\'s');
var hex = 0x1F + 0xab;
alert('it\'s');
// a line comment
/*
 * several lines
 */
a = b /* inside */ + c;
/*
 * several lines
 */
obj.value = null;
}
a = b /* inside */ + c;
var s = "text with \"quotes\" inside";
alert('it\'s');
}
/* a block comment */
function printNumber(a, b) {
obj.value = null;
window.onLoad = printNumber;
alert('it\'s');
for (var i = 0; i <= count; i++) {
obj.value = null;
var s = "text with \"quotes\" inside";
var s = "text with \"quotes\" inside";
a = b /* inside */ + c;
a = b /* inside */ + c;
var a = 1; /* opens
goes on */ var b = "s";
/* a block comment */
var e = '';
a = b /* inside */ + c;
for (var i = 0; i <= count; i++) {
var hex = 0x1F + 0xab;
/* a block comment */
alert('it\'s');
a = b /* inside */ + c;
/* a block comment */
document.write("The number is " + number);
/** doc
  "not a string" here
*/ x = 1;
x = y; // trailing comment with "quotes"
var a = 1; /* opens
goes on */ var b = "s";
}
a = b /* inside */ + c;
var t = 'single ' + 'quoted';
x = y; // trailing comment with "quotes"
window.onLoad = printNumber;
var e = '';
obj.value = null;
var e = '';
alert('it\'s');
}
var s = "text with \"quotes\" inside";
alert('it\'s');
a = b /* inside */ + c;
if (a < b && c >= 10) { return a; }
}
var list = [1, 2, 3];
x = y; // trailing comment with "quotes"
function printNumber(a, b) {
/* a block comment */
}
x = y; // trailing comment with "quotes"
}
var e = '';
}
alert('it\'s');
x = y; // trailing comment with "quotes"
