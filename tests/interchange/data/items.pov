camera {
location < 0.00, 0.00,-10.00>
look_at < 0.00, 0.00,-9.00>
angle 90.00
}
light_source {
< 1.00, 2.00, 3.00>
color rgb < 1.00, 0.00, 0.20>
fade_distance 100.00
fade_power 1
shadowless
spotlight
radius 28.65
falloff 34.38
point_at < 1.00, 2.00, 4.00>
}
sphere {
< 1.00, 2.00, 3.00>, 1.50
texture {red_sph}
}
cylinder { <0.5,0.5,0>,<0.5,0.5,0.0001>,0.5
texture {red_pln }
translate <-0.5,-0.5,0>
scale <2,1,0>
rotate <0,20,0>
rotate <10,0,0>
rotate <0,0,30>
translate <1,2,3.5>
}
box { <0,0,0>,<1,1,0>
texture {red_pln }
translate <-0.5,-0.5,0>
scale <3,2,0>
matrix <1,0,0, 0,0,1, 0,1,0, 0,0,0>
translate <0,0,0>
}
object {
union {
triangle {
<0,0,1>,
<1,0,2>,
<0,1.5,0.25>
}
texture {red_pln}
}
}
