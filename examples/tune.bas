10 REM A tune: a rising scale, a melody kept in two arrays, and a chord.
20 REM SOUND takes the pitches to sound together, the length in milliseconds
30 REM and the timbre (0 to 9; 10 keeps the last one).
40 PRINT "Stupnice."
50 FOR NOTE=0 TO 7: SOUND 262+NOTE*33,150,1: NEXT NOTE
100 PRINT "Melodie."
110 DIM PITCH(6), LENGTH(6)
120 PITCH(0)=262: PITCH(1)=262: PITCH(2)=392: PITCH(3)=392: PITCH(4)=440: PITCH(5)=440: PITCH(6)=392
130 FOR K=0 TO 6: LENGTH(K)=300: NEXT K: LENGTH(6)=600
140 FOR K=0 TO 6: SOUND PITCH(K),LENGTH(K),4: NEXT K
200 PRINT "Akord."
210 SOUND 262,330,392,800,2
220 PRINT "Konec."
