# A nameless statement of 100,000 terms P (199,999 characters), too long to
# carry on; then Z=2 and a nameless statement that just fits: 50,001 terms,
# 100,000 characters after its first P.
{ printf 'P'; printf '+P%.0s' {1..99999}; printf '\r\nZ=2;'
  printf 'P'; printf '+P%.0s' {1..50000}; } >ws.txt
printf 'P=1\r\n' >ws.vle
