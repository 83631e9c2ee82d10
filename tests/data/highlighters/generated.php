for ($i = 0; $i <= $n; $i++) {
# a hash comment
$list = array(1, 2, 3);
/* a block comment */
$a = $b; // trailing "quotes"
print "double \"quoted\" text";
$s = 'it\'s';
// a line comment
# a hash comment
$e = "";
$list = array(1, 2, 3);
/* a block comment */
$c = $d /* inside */ + 1;
// a line comment
}
$e = "";
$a = $b; // trailing "quotes"
/* a block comment */
/* a block comment */
$e = "";
$s = 'it\'s';
if ($a < $b && $c >= 10) { return $a; }
$e = "";
print "double \"quoted\" text";
# a hash comment
$h = 0x1F;
$h = 0x1F;
$list = array(1, 2, 3);
$path = 'C:\\dir\\';
// a line comment
$h = 0x1F;
}
$h = 0x1F;
$e = "";
$text = "first line
second line
last line";
echo 'single quoted';
}
if ($a < $b && $c >= 10) { return $a; }
}
function printNumber($a, $b) {
$c = $d /* inside */ + 1;
/* a block comment */
if ($a < $b && $c >= 10) { return $a; }
$h = 0x1F;
if ($a < $b && $c >= 10) { return $a; }
$s = 'it\'s';
if ($a < $b && $c >= 10) { return $a; }
$q = "open \"
goes on \\" . $x;
for ($i = 0; $i <= $n; $i++) {
$number = 1234;
$a = $b; // trailing "quotes"
}
$h = 0x1F;
if ($a < $b && $c >= 10) { return $a; }
$path = 'C:\\dir\\';
$s = 'it\'s';
/* a block comment */
echo 'single quoted';
$h = 0x1F;
$e = "";
# a hash comment
echo 'single quoted';
// a line comment
/* a block comment */
function printNumber($a, $b) {
$t = 'first
second';
$t = 'first
second';
$s = 'it\'s';
if ($a < $b && $c >= 10) { return $a; }
if ($a < $b && $c >= 10) { return $a; }
$number = 1234;
if ($a < $b && $c >= 10) { return $a; }
$total += $x * 2;
}
# a hash comment
function printNumber($a, $b) {
for ($i = 0; $i <= $n; $i++) {
$t = 'first
second';
$a = $b; // trailing "quotes"
$h = 0x1F;
$e = "";
// a line comment
for ($i = 0; $i <= $n; $i++) {
$c = $d /* inside */ + 1;
echo 'single quoted';
$h = 0x1F;
$list = array(1, 2, 3);
$e = "";
}
for ($i = 0; $i <= $n; $i++) {
$e = "";
# a hash comment
# a hash comment
$a = 1; /* opens
goes on */ $b = "s";
function printNumber($a, $b) {
$number = 1234;
// a line comment
$c = $d /* inside */ + 1;
$text = "first line
second line
last line";
for ($i = 0; $i <= $n; $i++) {
$e = "";
$e = "";
if ($a < $b && $c >= 10) { return $a; }
$list = array(1, 2, 3);
$a = $b; // trailing "quotes"
$e = "";
function printNumber($a, $b) {
for ($i = 0; $i <= $n; $i++) {
/* a block comment */
$number = 1234;
$e = "";
# a hash comment
$t = 'first
second';
// a line comment
echo 'single quoted';
$s = 'it\'s';
$q = "open \"
goes on \\" . $x;
for ($i = 0; $i <= $n; $i++) {
$r = 'open \'
goes on \' still', $y;
$list = array(1, 2, 3);
for ($i = 0; $i <= $n; $i++) {
$a = $b; // trailing "quotes"
$path = 'C:\\dir\\';
$c = $d /* inside */ + 1;
$h = 0x1F;
function printNumber($a, $b) {
echo 'single quoted';
$path = 'C:\\dir\\';
echo 'single quoted';
$a = $b; // trailing "quotes"
# a hash comment
echo 'single quoted';
$path = 'C:\\dir\\';
$number = 1234;
# a hash comment
$t = 'first
second';
// a line comment
$path = 'C:\\dir\\';
# a hash comment
/*
 * several lines
 */
$c = $d /* inside */ + 1;
$total += $x * 2;
$s = 'it\'s';
$h = 0x1F;
$c = $d /* inside */ + 1;
$c = $d /* inside */ + 1;
/* a block comment */
// a line comment
function printNumber($a, $b) {
function printNumber($a, $b) {
print "double \"quoted\" text";
$path = 'C:\\dir\\';
# a hash comment
// a line comment
# a hash comment
$a = $b; // trailing "quotes"
}
function printNumber($a, $b) {
$list = array(1, 2, 3);
/* a block comment */
}
// a line comment
}
$q = "open \"
goes on \\" . $x;
function printNumber($a, $b) {
$a = 1; /* opens
goes on */ $b = "s";
echo 'single quoted';
function printNumber($a, $b) {
$h = 0x1F;
if ($a < $b && $c >= 10) { return $a; }
$h = 0x1F;
// a line comment
$e = "";
/*
 * several lines
 */
$e = "";
$a = $b; // trailing "quotes"
$c = $d /* inside */ + 1;
function printNumber($a, $b) {
$s = 'it\'s';
$total += $x * 2;
# a hash comment
// a line comment
$list = array(1, 2, 3);
/* a block comment */
$path = 'C:\\dir\\';
/* a block comment */
$a = $b; // trailing "quotes"
if ($a < $b && $c >= 10) { return $a; }
echo 'single quoted';
$c = $d /* inside */ + 1;
# a hash comment
$number = 1234;
$h = 0x1F;
$s = 'it\'s';
$number = 1234;
$text = "first line
second line
last line";
$e = "";
$path = 'C:\\dir\\';
# a hash comment
}
$path = 'C:\\dir\\';
}
$total += $x * 2;
# a hash comment
$c = $d /* inside */ + 1;
for ($i = 0; $i <= $n; $i++) {
/*
 * several lines
 */
$q = "open \"
goes on \\" . $x;
$total += $x * 2;
$a = $b; // trailing "quotes"
$path = 'C:\\dir\\';
$c = $d /* inside */ + 1;
print "double \"quoted\" text";
/*
 * several lines
 */
$t = 'first
second';
/* a block comment */
$h = 0x1F;
$c = $d /* inside */ + 1;
/* a block comment */
echo 'single quoted';
if ($a < $b && $c >= 10) { return $a; }
$path = 'C:\\dir\\';
$e = "";
$h = 0x1F;
$q = "open \"
goes on \\" . $x;
for ($i = 0; $i <= $n; $i++) {
}
echo 'single quoted';
print "double \"quoted\" text";
$s = 'it\'s';
$total += $x * 2;
$total += $x * 2;
# a hash comment
# a hash comment
$list = array(1, 2, 3);
$e = "";
$total += $x * 2;
function printNumber($a, $b) {
$a = $b; // trailing "quotes"
$e = "";
}
$e = "";
// a line comment
$list = array(1, 2, 3);
function printNumber($a, $b) {
// a line comment
}
$list = array(1, 2, 3);
$text = "first line
second line
last line";
# a hash comment
/* a block comment */
// a line comment
/* a block comment */
$number = 1234;
$r = 'open \'
goes on \' still', $y;
$text = "first line
second line
last line";
echo 'single quoted';
$e = "";
$h = 0x1F;
/* a block comment */
$c = $d /* inside */ + 1;
// a line comment
$path = 'C:\\dir\\';
$s = 'it\'s';
// a line comment
$total += $x * 2;
$a = $b; // trailing "quotes"
$list = array(1, 2, 3);
function printNumber($a, $b) {
echo 'single quoted';
if ($a < $b && $c >= 10) { return $a; }
function printNumber($a, $b) {
}
$total += $x * 2;
$a = $b; // trailing "quotes"
$h = 0x1F;
for ($i = 0; $i <= $n; $i++) {
for ($i = 0; $i <= $n; $i++) {
for ($i = 0; $i <= $n; $i++) {
$list = array(1, 2, 3);
$list = array(1, 2, 3);
$e = "";
$total += $x * 2;
$h = 0x1F;
function printNumber($a, $b) {
$h = 0x1F;
$a = 1; /* opens
goes on */ $b = "s";
$path = 'C:\\dir\\';
$text = "first line
second line
last line";
echo 'single quoted';
$a = $b; // trailing "quotes"
$number = 1234;
$list = array(1, 2, 3);
$list = array(1, 2, 3);
$text = "first line
second line
last line";
$path = 'C:\\dir\\';
}
$number = 1234;
if ($a < $b && $c >= 10) { return $a; }
$text = "first line
second line
last line";
$h = 0x1F;
/* a block comment */
# a hash comment
/* a block comment */
if ($a < $b && $c >= 10) { return $a; }
$a = $b; // trailing "quotes"
$c = $d /* inside */ + 1;
$total += $x * 2;
$h = 0x1F;
}
$q = "open \"
goes on \\" . $x;
$h = 0x1F;
$c = $d /* inside */ + 1;
print "double \"quoted\" text";
print "double \"quoted\" text";
/*
 * several lines
 */
$a = $b; // trailing "quotes"
for ($i = 0; $i <= $n; $i++) {
$text = "first line
second line
last line";
if ($a < $b && $c >= 10) { return $a; }
# a hash comment
if ($a < $b && $c >= 10) { return $a; }
if ($a < $b && $c >= 10) { return $a; }
// a line comment
/* a block comment */
$q = "open \"
goes on \\" . $x;
function printNumber($a, $b) {
if ($a < $b && $c >= 10) { return $a; }
$list = array(1, 2, 3);
# a hash comment
$q = "open \"
goes on \\" . $x;
$t = 'first
second';
for ($i = 0; $i <= $n; $i++) {
}
$number = 1234;
$t = 'first
second';
echo 'single quoted';
for ($i = 0; $i <= $n; $i++) {
$number = 1234;
// a line comment
}
$q = "open \"
goes on \\" . $x;
/*
 * several lines
 */
for ($i = 0; $i <= $n; $i++) {
$path = 'C:\\dir\\';
print "double \"quoted\" text";
}
echo 'single quoted';
