# The variable 甲=1 and a nameless statement of 40,000 times "甲+" and
# 110,000 times "中" (code page 936): too long to carry on after the first 甲,
# refused in time linear in its length.
{ printf '\xBC\xD7+%.0s' {1..40000}; printf '\xD6\xD0%.0s' {1..110000}; } >ws.txt
printf '\xBC\xD7=1\r\n' >ws.vle
