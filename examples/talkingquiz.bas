10 REM A talking quiz: it asks your name, then ten questions kept in DATA.
20 REM INPUT opens the data entry dialog: type the answer and press Enter.
30 INPUT "Jak se jmenuješ?"; JMENO$
40 PRINT "Ahoj, "; JMENO$; ". Odpovídej slovem nebo číslem."
50 FOR OTAZKA=1 TO 10
60 READ TEXT$, ODPOVED$
70 PRINT "Otázka "; OTAZKA: PRINT TEXT$
80 INPUT A$
90 IF UCASE$(A$)=UCASE$(ODPOVED$) THEN SKORE=SKORE+1: PRINT "Správně.": BEEP ELSE PRINT "Ne, správně je "; ODPOVED$
100 NEXT OTAZKA
110 PRINT JMENO$; ", máš "; SKORE; " bodů z deseti."
120 IF SKORE=10 THEN SOUND 400,150,3: SOUND 500,150,10: SOUND 600,300,10
130 END
200 DATA "Hlavní město Česka?", Praha
210 DATA "Kolik je sedm krát osm?", 56
220 DATA "Kolik nohou má pavouk?", 8
230 DATA "Hlavní město Slovenska?", Bratislava
240 DATA "Kolik dní má přestupný rok?", 366
250 DATA "Jakou barvu má tráva?", zelená
260 DATA "Kolik je sto děleno čtyřmi?", 25
270 DATA "Které zvíře mňouká?", kočka
280 DATA "Kolik minut má hodina?", 60
290 DATA "Nejdelší řeka Česka?", Vltava
