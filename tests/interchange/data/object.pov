// created with Orvane V1.0

// material
#declare red_sph=texture { pigment { color rgb < 0.50, 0.00, 0.00> filter  0.25 } finish { reflection rgb < 0.00, 1.00, 0.00> reflection  1.00 refraction 0 ambient rgb < 0.20, 0.20, 0.20> diffuse  0.50 phong  0.80 phong_size 50.00 }}
#declare red_pln=texture { pigment { color rgb < 0.50, 0.00, 0.00> filter  0.25 } finish { reflection rgb < 0.00, 1.00, 0.00> reflection  1.00 refraction 0 ambient rgb < 0.20, 0.20, 0.20> diffuse  0.50 phong  0.80 phong_size 50.00 }}
sphere {
< 0.00, 0.00, 0.00>, 2.00
texture {red_sph}
}
