10 REM the built-in game's greeting, printed and ended: its screen at rest
20 PRINT "dobrý ďeň;": PRINT ";hrapameť.": PRINT ";keď chceš kódy stlač hociktorú klávesu okrem medzerníka."
