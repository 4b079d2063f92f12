<?php
// SPDX-License-Identifier: MIT
// A demo bulletin board for the calculator's side panels. Serve this folder
// with `php -S 127.0.0.1:8080 -t tools/board` and start the calculator.
//
// The page is written here in UTF-8 and sent in code page 936, as the
// panels expect. Pieces are separated by "$"; in each piece the
// second-to-last line carries the link a click on the panel opens.

$pieces = [
    // Panel 0
    "<Title4><Center>公告栏
<Title1><Center>Tessary公式计算器
<Text1><Left>欢迎使用！这里的公告板
<Left>由服务器提供，点击公告板
<Left>可以打开它的链接。
<Text3><Center>今天是 <Date>
<Text2><Center>详情 http://127.0.0.1:8080/about.html
<Text1><Right>—— 公告栏",

    // Panel 1
    "<Title2><Center>新功能
<Text1><Left>52 个内置函数：sin、cos、
<Left>sqrt、log、max、min……
<Left>变量可在公式中直接使用。
<Left>多条公式一次计算。
<Text2><Center>http://127.0.0.1:8080/about.html#f
<Text1><Right>第 1 期",

    // Panel 2
    "<Title1><Center>使用技巧
<Text1><Left>可以使用各种括号：{}、[]、()。
<Left>乘号写 × 或 *，
<Left>除号写 ÷ 或 /。
<Left>// 之后是注释。
<Text2><Center>http://127.0.0.1:8080/about.html#t
<Text1><Right>第 2 期",

    // Panel 3
    "<Title3><Center>示例公式
<Text1><Left>Z={80+2×[5+2×(1.5+1)]}/(P/T)
<Left>P=100，T=273.15
<Left>结果 Z=273.15
<Text3><Center>动手试一试！
<Text2><Center>http://127.0.0.1:8080/about.html#e
<Text1><Right>第 3 期",

    // Panel 4
    "<Title4><Center>文件
<Text1><Left>计算可保存为文本文件，
<Left>变量一同保存。
<Left>最近的文件在“文件”菜单中。
<Text2><Center>http://127.0.0.1:8080/about.html#d
<Text1><Right>第 4 期",

    // Panel 5
    "<Title1><Center>联系我们
<Text1><Left>欢迎提出意见和建议。
<Text3><Center><Owner>
<Left>更新时间：<Date> <Time>
<Text2><Center>http://127.0.0.1:8080/about.html#c
<Text1><Right>谢谢！",
];

// Hostile pages for trying the window's defences (scolbrd.php?page=NAME):
//   wide    one piece whose first line is a <Title4> row of 1,000 characters
//   wide10  ten such rows
//   huge    six pieces of 160 such rows each, about 1 MB, inside every limit
//   flood   an endless answer without "</body>", MB megabytes (&mb=200)
$hostile = $_GET['page'] ?? '';
$row = "<Title4><Center>" . str_repeat("公告栏很长的一行", 125);
if ($hostile === 'flood') {
    header('Content-Type: text/html; charset=GBK');
    echo "<html><body><Title1>";
    $block = str_repeat('x', 1 << 20);
    for ($i = 0; $i < (int)($_GET['mb'] ?? 200); $i++) {
        echo $block;
        flush();
    }
    exit;
}
$counts = ['wide' => [1, 1], 'wide10' => [1, 10], 'huge' => [6, 160]];
if (isset($counts[$hostile])) {
    [$n, $rows] = $counts[$hostile];
    $piece = implode("\r\n", array_fill(0, $rows, $row)) . "\r\n<Text2>http://127.0.0.1:8080/about.html\r\n<Text1>end";
    $pieces = array_fill(0, $n, $piece);
}

$page = "<html><head><title>Tessary公告栏</title></head><body>\r\n"
    . implode("\r\n$\r\n", $pieces)
    . "\r\n</body></html>\r\n";
// The lines are sent as the board's own lines; "<br>" is ignored by the
// calculator, so a browser may be shown one without harm.
$page = str_replace("\n", "<br>\n", str_replace("\r\n", "\n", $page));

header('Content-Type: text/html; charset=GBK');
echo function_exists('iconv') ? iconv('UTF-8', 'GBK', $page) : mb_convert_encoding($page, 'GBK', 'UTF-8');
