Yearly data of site 1 near the old mill, in hundredths of a millimetre
SITE01011948   120   135
SITE01011950   110   142   128   999
SITE01021950   980  1040  1120 -9999
SITE0103 compact layout, read under its own format                             #
n        6      1949  (6f8.2)
    1.05    0.97    1.21    0.00    1.10    1.33
SITE01041951    87    93   101   999
