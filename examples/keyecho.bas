10 REM Key echo: every key typed is said back, until the space bar.
20 REM INKEY$ never waits, so the loop clicks softly while it polls.
30 PRINT "Piš klávesy, mezerník končí."
40 CLICK 6: KEY$=INKEY$: IF KEY$="" THEN 40
50 IF KEY$=" " THEN PRINT "Konec, kláves: ";COUNT: END
60 COUNT=COUNT+1: PRINT KEY$
70 GOTO 40
