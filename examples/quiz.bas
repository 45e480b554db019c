10 REM A talking quiz: three questions, each answered with one digit key.
20 REM Every PRINT is shown and spoken; the subroutine at 500 waits for the key.
30 PRINT "Kvíz. Na každou otázku odpověz jednou číslicí."
100 PRINT "Kolik je dva plus tři?": ANSWER$="5": GOSUB 500
110 PRINT "Kolik nohou má pavouk?": ANSWER$="8": GOSUB 500
120 PRINT "Kolik dní má týden?": ANSWER$="7": GOSUB 500
200 PRINT "Správně ";SCORE;" ze tří."
210 IF SCORE=3 THEN SOUND 400,150,3: SOUND 500,150,10: SOUND 600,300,10
220 END
500 REM Wait for a digit: a click now and then while the keyboard is polled.
510 CLICK 19
520 CLICK 6: KEY$=INKEY$: IF KEY$<"0" OR KEY$>"9" THEN 520
530 IF KEY$=ANSWER$ THEN SCORE=SCORE+1: PRINT "Ano, ";KEY$: BEEP: RETURN
540 PRINT "Ne, správně je ";ANSWER$: RETURN
