# A worksheet whose name starts with a dot: its variables are in .calc.vle,
# not in .vle.
printf 'Z=P*2' >.calc
printf 'P=21\r\n' >.calc.vle
printf 'P=1\r\n' >.vle
