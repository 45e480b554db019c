10 REM A word drill: each line of data.dta beside this program holds
20 REM a word and its translation, parted by a comma.
30 IF EOF(1) THEN PRINT "Soubor data.dta chybí nebo je prázdný.": END
40 INPUT #1, SLOVO$, PREKLAD$
50 PRINT "Přelož: "; SLOVO$
60 INPUT A$
70 POCET=POCET+1
80 IF LCASE$(A$)=LCASE$(PREKLAD$) THEN DOBRE=DOBRE+1: PRINT "Ano." ELSE PRINT "Ne, "; PREKLAD$
90 IF NOT EOF(1) THEN 40
100 PRINT "Hotovo: "; DOBRE; " z "; POCET
